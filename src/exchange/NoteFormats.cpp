#include "NoteFormats.h"

#include "Rtf.h"
#include "RtfPicture.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QRegularExpression>
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
    // Qt writes a table's delimiter row as "|-|-|"; readers that want three dashes per cell
    // (Qt's own among them) would read the table as text.
    static const QRegularExpression delimiterRow(QStringLiteral("^\\|(-+\\|)+$"), QRegularExpression::MultilineOption);
    QString markdown = doc->toMarkdown();
    qsizetype at = 0;
    for (auto it = delimiterRow.globalMatch(markdown); it.hasNext();) {
        const auto m = it.next();
        const qsizetype cells = m.captured(0).count(QLatin1Char('|')) - 1;
        QString row = QStringLiteral("|");
        for (qsizetype i = 0; i < cells; ++i)
            row += QStringLiteral("---|");
        markdown.replace(m.capturedStart(0) + at, m.capturedLength(0), row);
        at += row.size() - m.capturedLength(0);
    }
    return markdown.toUtf8();
}

QByteArray textOf(const QTextDocument *doc)
{
    return rtf::plainText(doc).toUtf8();
}

} // namespace exchange
