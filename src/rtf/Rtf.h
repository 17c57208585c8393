#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;
class QTextImageFormat;

namespace rtf {

// Replaces doc's content with the body. A body not starting with "{\rtf" is plain text.
// Never fails: damaged input gives what could be read.
void readInto(const QByteArray &body, QTextDocument *doc);
// A body as stored in the notebook (text). Non-RTF text is shown as it is.
void readInto(const QString &body, QTextDocument *doc);

// For showing a body, never for editing it: reads only its beginning when the whole would take
// long to read and lay out, and then ends the document with a short note saying so. True when
// the body was cut.
bool readPreview(const QString &body, QTextDocument *doc);

// RTF text of the whole document.
QByteArray write(const QTextDocument *doc);

// Plain text of a body, as the reader sees it.
QString toPlainText(const QByteArray &body);

// Plain text of a document: list items with their marker and a tab, table cells separated by
// tabs and rows by line breaks, pictures left out.
QString plainText(const QTextDocument *doc);

// The RTF as the text stored in a notebook (RTF is 7-bit; escapes carry everything else).
QString writeText(const QTextDocument *doc);

// Pictures.
// A picture in a document is an image resource (QTextDocument::ImageResource, a QImage) named by
// a QTextImageFormat, plus a record of its original bytes kept by this library under the same
// name. The writer re-emits those original bytes (PNG, JPEG, DIB, WMF, EMF as they came) while the
// image resource under that name is still the one stored with them; a picture whose resource was
// replaced, or one without a record, is written as PNG from the image resource. The format's
// width and height (pixels at 96 per inch) are the size shown and written.
//
// To insert a picture file: name = addPicture(doc, bytes); if the name is not empty,
// cursor.insertImage(pictureFormat(doc, name)). PNG and JPEG keep their bytes; BMP, GIF and any
// other format Qt reads are kept as PNG. An unreadable picture gives an empty name.
QString addPicture(QTextDocument *doc, const QByteArray &fileBytes);
// An image format naming the picture, at the size of its image.
QTextImageFormat pictureFormat(const QTextDocument *doc, const QString &name);

// The code page the writer uses for fallback bytes of non-ASCII text: the one the body was read
// with (kept as the document property "rtfCodePage"), else 936.
int documentCodePage(const QTextDocument *doc);

} // namespace rtf
