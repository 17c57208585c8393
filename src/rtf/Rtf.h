#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace rtf {

// Replaces doc's content with the body. A body not starting with "{\rtf" is plain text.
// Never fails: damaged input gives what could be read.
void readInto(const QByteArray &body, QTextDocument *doc);
// A body as stored in the notebook (text). Non-RTF text is shown as it is.
void readInto(const QString &body, QTextDocument *doc);

// RTF text of the whole document.
QByteArray write(const QTextDocument *doc);

// Plain text of a body, as the reader sees it.
QString toPlainText(const QByteArray &body);

// The RTF as the text stored in a notebook (RTF is 7-bit; escapes carry everything else).
QString writeText(const QTextDocument *doc);

} // namespace rtf
