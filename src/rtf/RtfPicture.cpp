#include "RtfPicture.h"
#include "Rtf.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageReader>
#include <QPainter>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>
#include <QVariantMap>

#include <cstring>

namespace rtf {

namespace {

constexpr int kTwipsPerPixel = 15;          // at 96 pixels per inch
constexpr double kHimetricPerPixel = 2540.0 / 96.0;

quint32 le32(const QByteArray &b, int at)
{
    if (at + 4 > b.size())
        return 0;
    const auto *p = reinterpret_cast<const uchar *>(b.constData() + at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 le16(const QByteArray &b, int at)
{
    if (at + 2 > b.size())
        return 0;
    const auto *p = reinterpret_cast<const uchar *>(b.constData() + at);
    return quint16(p[0] | p[1] << 8);
}

void putLe32(QByteArray &b, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xff));
}

QImage readImage(const QByteArray &bytes, const char *format)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAllocationLimit(int(kMaxPictureMemory / (1024 * 1024)));
    const QSize size = reader.size();
    if (size.isValid()
        && (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide
            || qint64(size.width()) * size.height() * 4 > kMaxPictureMemory))
        return {};
    QImage image = reader.read();
    if (image.width() > kMaxPictureSide || image.height() > kMaxPictureSide)
        return {};
    return image;
}

// A DIB is a BMP file without its 14-byte file header; rebuild that header so Qt can read it.
QImage decodeDib(const QByteArray &dib)
{
    const quint32 headerSize = le32(dib, 0);
    if (headerSize < 12 || headerSize > quint32(dib.size()))
        return {};
    quint32 bpp = 0, colorsUsed = 0, compression = 0;
    if (headerSize == 12) {
        bpp = le16(dib, 10);
    } else {
        bpp = le16(dib, 14);
        compression = le32(dib, 16);
        colorsUsed = le32(dib, 32);
    }
    quint32 paletteEntries = colorsUsed;
    if (paletteEntries == 0 && bpp <= 8)
        paletteEntries = 1u << bpp;
    if (paletteEntries > 256)
        return {};
    quint32 offset = 14 + headerSize + paletteEntries * (headerSize == 12 ? 3 : 4);
    if (headerSize == 40 && (compression == 3 || compression == 6))
        offset += compression == 3 ? 12 : 16; // the colour masks follow the header
    QByteArray file("BM");
    putLe32(file, quint32(14 + dib.size()));
    putLe32(file, 0);
    putLe32(file, offset);
    file.append(dib);
    return readImage(file, "BMP");
}

// A device-dependent bitmap: rows of raw pixels, top row first.
QImage decodeWBitmap(const PictureData &pic)
{
    const int w = pic.picW, h = pic.picH;
    if (w <= 0 || h <= 0 || w > kMaxPictureSide || h > kMaxPictureSide)
        return {};
    QImage::Format format = QImage::Format_Invalid;
    switch (pic.bitsPerPixel) {
    case 1: format = QImage::Format_Mono; break;
    case 24: format = QImage::Format_BGR888; break;
    case 32: format = QImage::Format_RGB32; break;
    default: return {};
    }
    const qsizetype minStride = (qsizetype(w) * pic.bitsPerPixel + 7) / 8;
    const qsizetype stride = pic.widthBytes > 0 ? pic.widthBytes : ((minStride + 1) / 2) * 2;
    if (stride < minStride || stride * h > pic.bytes.size())
        return {};
    QImage image(w, h, format);
    if (image.isNull())
        return {};
    if (format == QImage::Format_Mono) {
        image.setColorCount(2);
        image.setColor(0, qRgb(0, 0, 0));
        image.setColor(1, qRgb(255, 255, 255));
    }
    for (int y = 0; y < h; ++y)
        std::memcpy(image.scanLine(y), pic.bytes.constData() + y * stride, size_t(minStride));
    return image;
}

QByteArray sha1(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}

// Original bytes and header words live beside the image. The document keys resources by URL
// alone, so the record needs a URL of its own.
constexpr int kOriginalResource = QTextDocument::UserResource + 0x5152;

QUrl originalUrl(const QString &name)
{
    return QUrl(QStringLiteral("qbpic-original:") + QString::fromLatin1(QUrl::toPercentEncoding(name)));
}

} // namespace

QImage decodePicture(const PictureData &pic)
{
    switch (pic.blip) {
    case BlipType::Png: return readImage(pic.bytes, "PNG");
    case BlipType::Jpeg: return readImage(pic.bytes, "JPEG");
    case BlipType::Dib: return decodeDib(pic.bytes);
    case BlipType::WBitmap: return decodeWBitmap(pic);
    case BlipType::Unknown: return readImage(pic.bytes, nullptr);
    case BlipType::Wmf:
    case BlipType::Emf: return {};
    }
    return {};
}

QImage placeholderImage(QSize size)
{
    // Small: the format's width and height scale it to the picture's size on screen.
    size.scale(QSize(160, 160), Qt::KeepAspectRatio);
    size = size.expandedTo(QSize(8, 8));
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(0xf4, 0xf4, 0xf4));
    QPainter p(&image);
    p.setPen(QColor(0x99, 0x99, 0x99));
    p.drawRect(0, 0, size.width() - 1, size.height() - 1);
    p.drawLine(0, 0, size.width() - 1, size.height() - 1);
    p.drawLine(0, size.height() - 1, size.width() - 1, 0);
    return image;
}

QSizeF displaySize(const PictureData &pic, const QImage &decoded)
{
    double w = 0, h = 0;
    if (pic.goalW > 0 && pic.goalH > 0) {
        w = double(pic.goalW) / kTwipsPerPixel;
        h = double(pic.goalH) / kTwipsPerPixel;
    } else if (!decoded.isNull()) {
        w = decoded.width();
        h = decoded.height();
    } else if (pic.picW > 0 && pic.picH > 0) {
        const bool metafile = pic.blip == BlipType::Wmf || pic.blip == BlipType::Emf;
        w = metafile ? pic.picW / kHimetricPerPixel : pic.picW;
        h = metafile ? pic.picH / kHimetricPerPixel : pic.picH;
    }
    w = w * qBound(1, pic.scaleX, 1000) / 100.0;
    h = h * qBound(1, pic.scaleY, 1000) / 100.0;
    if (w < 1 || h < 1) {
        w = 32;
        h = 32;
    }
    return QSizeF(qMin(w, double(kMaxPictureSide)), qMin(h, double(kMaxPictureSide)));
}

QString storePicture(QTextDocument *doc, const PictureData &pic, const QImage &image)
{
    const QByteArray hash = sha1(pic.bytes);
    // Same bytes, same name: a picture pasted twice is kept once.
    QString name = QStringLiteral("qbpic:") + QString::fromLatin1(hash);
    QVariantMap original;
    original.insert(QStringLiteral("blip"), int(pic.blip));
    original.insert(QStringLiteral("param"), pic.blipParam);
    original.insert(QStringLiteral("bytes"), pic.bytes);
    original.insert(QStringLiteral("sha1"), hash);
    original.insert(QStringLiteral("picw"), pic.picW);
    original.insert(QStringLiteral("pich"), pic.picH);
    original.insert(QStringLiteral("bpp"), pic.bitsPerPixel);
    original.insert(QStringLiteral("widthbytes"), pic.widthBytes);
    original.insert(QStringLiteral("image"), image.cacheKey());
    doc->addResource(QTextDocument::ImageResource, QUrl(name), image);
    // Read the image back: the key to compare later is the one of the copy the document holds.
    const QImage held = doc->resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>();
    original.insert(QStringLiteral("image"), held.cacheKey());
    doc->addResource(kOriginalResource, originalUrl(name), original);
    return name;
}

bool storedPicture(const QTextDocument *doc, const QString &name, PictureData *out)
{
    const QVariantMap original = doc->resource(kOriginalResource, originalUrl(name)).toMap();
    if (original.isEmpty())
        return false;
    const QVariant shown = doc->resource(QTextDocument::ImageResource, QUrl(name));
    if (shown.typeId() != QMetaType::QImage
        || shown.value<QImage>().cacheKey() != original.value(QStringLiteral("image")).toLongLong())
        return false;
    const QByteArray bytes = original.value(QStringLiteral("bytes")).toByteArray();
    if (sha1(bytes) != original.value(QStringLiteral("sha1")).toByteArray())
        return false;
    out->blip = BlipType(original.value(QStringLiteral("blip")).toInt());
    out->blipParam = original.value(QStringLiteral("param")).toInt();
    out->bytes = bytes;
    out->picW = original.value(QStringLiteral("picw")).toInt();
    out->picH = original.value(QStringLiteral("pich")).toInt();
    out->bitsPerPixel = original.value(QStringLiteral("bpp")).toInt();
    out->widthBytes = original.value(QStringLiteral("widthbytes")).toInt();
    return true;
}

QString addPicture(QTextDocument *doc, const QByteArray &fileBytes)
{
    if (!doc || fileBytes.isEmpty() || fileBytes.size() > kMaxPictureBytes)
        return {};
    QBuffer buffer;
    buffer.setData(fileBytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader(&buffer).format().toLower();
    PictureData pic;
    QImage image;
    if (format == "png" || format == "jpeg" || format == "jpg") {
        pic.blip = format == "png" ? BlipType::Png : BlipType::Jpeg;
        pic.bytes = fileBytes;
        image = decodePicture(pic);
    } else {
        // Anything else Qt reads (BMP, GIF ...) is kept as PNG, which every reader of ours takes.
        image = readImage(fileBytes, nullptr);
        if (!image.isNull()) {
            QBuffer png(&pic.bytes);
            png.open(QIODevice::WriteOnly);
            image.save(&png, "PNG");
            pic.blip = BlipType::Png;
        }
    }
    if (image.isNull() || pic.bytes.isEmpty())
        return {};
    pic.picW = image.width();
    pic.picH = image.height();
    return storePicture(doc, pic, image);
}

QTextImageFormat pictureFormat(const QTextDocument *doc, const QString &name)
{
    QTextImageFormat format;
    format.setName(name);
    const QImage image = doc->resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>();
    if (!image.isNull()) {
        format.setWidth(image.width());
        format.setHeight(image.height());
    }
    return format;
}

} // namespace rtf
