#include "EditorPicture.h"

#include "EditorTexts.h"
#include "rtf/Rtf.h"

#include <QBuffer>
#include <QImageReader>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextImageFormat>

namespace editor {

QString pictureFileFilter()
{
    QStringList patterns;
    for (const QByteArray &suffix : QImageReader::supportedImageFormats())
        patterns.append(QStringLiteral("*.") + QString::fromLatin1(suffix).toLower());
    patterns.removeDuplicates();
    const QString all = patterns.join(QLatin1Char(' '));
    return texts::allPictures() + QStringLiteral("(%1)|%2|").arg(all, patterns.join(QLatin1Char(';')))
           + texts::openPictureFilter();
}

int pictureDisplayWidth(const QTextEdit *body)
{
    const QTextDocument *doc = body->document();
    const qreal margin = 2 * doc->documentMargin() + 4;
    const int width = int(body->viewport()->width() - margin);
    // A body that has not been laid out yet still gets a usable width.
    return qMax(width, 64);
}

bool insertPicture(QTextEdit *body, const QByteArray &fileBytes, QString *error)
{
    // Ask the reader first: it names what is wrong with a file that is no picture.
    QBuffer buffer;
    buffer.setData(fileBytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead() || !reader.size().isValid()) {
        if (error)
            *error = reader.errorString();
        return false;
    }

    QTextDocument *doc = body->document();
    const QString name = rtf::addPicture(doc, fileBytes);
    if (name.isEmpty()) {
        if (error)
            *error = QStringLiteral("图片已损坏或过大");
        return false;
    }
    QTextImageFormat format = rtf::pictureFormat(doc, name);
    const int maxWidth = pictureDisplayWidth(body);
    if (format.width() > maxWidth) {
        format.setHeight(format.height() * maxWidth / format.width());
        format.setWidth(maxWidth);
    }
    QTextCursor cursor = body->textCursor();
    cursor.insertImage(format);
    body->setTextCursor(cursor);
    return true;
}

} // namespace editor
