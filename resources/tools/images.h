// Every picture the program ships, each drawn by one function.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <utility>
#include <vector>

namespace images {

using Named = std::pair<QString, QImage>; // path relative to resources/, picture

QImage noteStrip();                 // 24 note icons of 16 x 16 side by side
std::vector<Named> treeImages();    // tree/...
std::vector<Named> toolbarImages(); // toolbar/... (main window, 16 x 16)
std::vector<Named> editorImages();  // editor/... (note editor, 16 x 16)
std::vector<Named> headerImages();  // header/...
std::vector<Named> skinImages();    // skin/...
QImage appIcon(int size);           // notebook with a quill, any size
QByteArray appIconSvg();            // the same drawing, scalable

} // namespace images
