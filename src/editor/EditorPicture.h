#pragma once

#include <QByteArray>
#include <QString>

class QTextEdit;

namespace editor {

// Puts the picture in the file's bytes at the caret of the body, replacing the selection; the
// clipboard is not involved. A picture wider than the body is shown scaled to the body's width;
// the document keeps the original bytes. Answers false with a reason when the bytes are no picture
// we can read, and then leaves the body untouched.
bool insertPicture(QTextEdit *body, const QByteArray &fileBytes, QString *error);

// The picture chooser's filter, in the editor's "Name|patterns|" form: first (and so chosen at
// the start) one entry with every type the picture reader takes, then the common types alone.
QString pictureFileFilter();

// Width in pixels a picture may take in the body before it is shown scaled down.
int pictureDisplayWidth(const QTextEdit *body);

} // namespace editor
