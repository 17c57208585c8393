#include "NoteBody.h"

#include "EditorPicture.h"

#include <QBuffer>
#include <QImage>
#include <QMimeData>

#include <algorithm>

namespace {

// The picture's own bytes where the clipboard offers PNG or JPEG, which a note keeps as they are;
// else the picture as PNG; else whatever other picture format is offered.
QByteArray pictureBytes(const QMimeData *data)
{
    for (const char *format : {"image/png", "image/jpeg"}) {
        const QByteArray bytes = data->data(QLatin1String(format));
        if (!bytes.isEmpty())
            return bytes;
    }
    const QImage image = qvariant_cast<QImage>(data->imageData());
    if (!image.isNull()) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return png;
    }
    for (const QString &format : data->formats()) {
        if (format.startsWith(QLatin1String("image/")))
            return data->data(format);
    }
    return {};
}

} // namespace

NoteBody::NoteBody(QWidget *parent) : QTextEdit(parent) {}

bool NoteBody::holdsOnlyPicture(const QMimeData *data)
{
    if (!data || data->hasText() || data->hasHtml())
        return false;
    if (data->hasImage())
        return true;
    const QStringList formats = data->formats();
    return std::any_of(formats.begin(), formats.end(),
                       [](const QString &f) { return f.startsWith(QLatin1String("image/")); });
}

bool NoteBody::canInsertFromMimeData(const QMimeData *source) const
{
    return holdsOnlyPicture(source) || QTextEdit::canInsertFromMimeData(source);
}

void NoteBody::insertFromMimeData(const QMimeData *source)
{
    if (!holdsOnlyPicture(source)) {
        QTextEdit::insertFromMimeData(source);
        return;
    }
    QString reason;
    if (!editor::insertPicture(this, pictureBytes(source), &reason))
        Q_EMIT pictureRefused(reason);
}
