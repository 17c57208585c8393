#pragma once

#include <QPixmap>

// Toolbar dressing shared by every toolbar of the process.
namespace ModTb {

// Tiles `texture` as the background of every toolbar, present and future, and repaints them.
// A later call replaces the earlier texture; a null pixmap gives the style's own background back.
void SetToolbarTexture(const QPixmap &texture);

// The texture in force (null when none).
QPixmap ToolbarTexture();

} // namespace ModTb
