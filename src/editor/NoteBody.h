#pragma once

#include <QTextEdit>

class QMimeData;

// The note body. Besides text it takes a clipboard (or a drop) that holds only a picture: the
// picture goes in as the picture button puts it in, and the clipboard is left as it was.
class NoteBody : public QTextEdit
{
    Q_OBJECT
public:
    explicit NoteBody(QWidget *parent = nullptr);

    // True for data with a picture and no text, which the box would otherwise ignore.
    static bool holdsOnlyPicture(const QMimeData *data);

Q_SIGNALS:
    // A picture from the clipboard could not be put in; reason says why.
    void pictureRefused(const QString &reason);

protected:
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
};
