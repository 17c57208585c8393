#pragma once

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <QString>

class QTextDocument;

namespace rtf {

// How a picture's bytes are encoded, as RTF names it.
enum class BlipType { Unknown = 0, Png, Jpeg, Dib, WBitmap, Wmf, Emf };

// A picture as it came from, or goes to, RTF: the original bytes and the header words needed to
// write it back exactly.
struct PictureData
{
    BlipType blip = BlipType::Unknown;
    int blipParam = 0;        // \wmetafileN mapping mode, \wbitmapN type
    QByteArray bytes;
    int picW = 0, picH = 0;   // \picw \pich: pixels for bitmaps, 0.01 mm for metafiles
    int goalW = 0, goalH = 0; // \picwgoal \pichgoal, twips
    int scaleX = 100, scaleY = 100;
    int bitsPerPixel = 0;     // \picbpp, for \wbitmap
    int widthBytes = 0;       // \picwbmwidthbytes, for \wbitmap
};

// Largest picture we keep, in bytes and in pixels on either side.
inline constexpr qsizetype kMaxPictureBytes = 64 * 1024 * 1024;
inline constexpr int kMaxPictureSide = 16000;
// Memory of one decoded picture, and of all pictures decoded for one body.
inline constexpr qint64 kMaxPictureMemory = 128 * 1024 * 1024;
inline constexpr qint64 kMaxDecodedPerBody = 512 * 1024 * 1024;

// Decodes a picture for display; a null image when Qt cannot draw it (metafiles) or it is damaged.
QImage decodePicture(const PictureData &pic);
// A framed box standing in for a picture we cannot draw.
QImage placeholderImage(QSize size);
// Display size in pixels (96 per inch) from the goal size and scale, else from the image.
QSizeF displaySize(const PictureData &pic, const QImage &decoded);

// Keeps pic in doc under a new resource name and returns that name; the image shown is image.
QString storePicture(QTextDocument *doc, const PictureData &pic, const QImage &image);
// The original picture kept under name, when the image shown under that name is still the one
// stored with it; otherwise (no record, or the image was replaced) false.
bool storedPicture(const QTextDocument *doc, const QString &name, PictureData *out);

} // namespace rtf
