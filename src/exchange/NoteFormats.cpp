#include "NoteFormats.h"

#include "MarkdownWriter.h"

#include "rtf/Rtf.h"
#include "rtf/RtfPicture.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

namespace exchange {

namespace {

PictureFile pictureFile(const QTextDocument *doc, const QString &resource, int number)
{
    rtf::PictureData pic;
    if (rtf::storedPicture(doc, resource, &pic)) {
        if (pic.blip == rtf::BlipType::Png)
            return {QStringLiteral("image%1.png").arg(number), pic.bytes};
        if (pic.blip == rtf::BlipType::Jpeg)
            return {QStringLiteral("image%1.jpg").arg(number), pic.bytes};
    }
    const QImage image = doc->resource(QTextDocument::ImageResource, QUrl(resource)).value<QImage>();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return {QStringLiteral("image%1.png").arg(number), png};
}

} // namespace

QList<ImageSpot> imageSpots(const QTextDocument *doc)
{
    QList<ImageSpot> spots;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().isImageFormat())
                spots.append({fragment.position(), fragment.length(), fragment.charFormat().toImageFormat()});
        }
    }
    return spots;
}

QList<PictureFile> detachPictures(QTextDocument *doc, const QString &folderName)
{
    QList<ImageSpot> spots = imageSpots(doc);
    QList<PictureFile> files;
    QHash<QString, QString> targets; // resource name -> relative address
    const QString folder = QString::fromUtf8(QUrl::toPercentEncoding(folderName));
    QTextCursor cursor(doc);
    for (ImageSpot &spot : spots) {
        const QString resource = spot.format.name();
        auto known = targets.constFind(resource);
        if (known == targets.constEnd()) {
            files.append(pictureFile(doc, resource, int(files.size()) + 1));
            known = targets.insert(resource, folder + QLatin1Char('/') + files.last().name);
        }
        spot.format.setName(*known);
        cursor.setPosition(spot.position);
        cursor.setPosition(spot.position + spot.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(spot.format);
    }
    return files;
}

QByteArray htmlOf(QTextDocument *doc, const QString &title)
{
    doc->setMetaInformation(QTextDocument::DocumentTitle, title);
    return doc->toHtml().toUtf8();
}

QByteArray markdownOf(const QTextDocument *doc)
{
    return writeMarkdown(doc).toUtf8();
}

QByteArray textOf(const QTextDocument *doc)
{
    return rtf::plainText(doc).toUtf8();
}

} // namespace exchange
