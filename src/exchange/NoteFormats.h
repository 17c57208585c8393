#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTextFormat>

class QTextDocument;

namespace exchange {

// A picture of a note as a file: its name inside the note's picture folder and its bytes.
struct PictureFile
{
    QString name;
    QByteArray bytes;
};

// Where a document shows a picture, and the picture's format.
struct ImageSpot
{
    int position = 0;
    int length = 0;
    QTextImageFormat format;
};
QList<ImageSpot> imageSpots(const QTextDocument *doc);

// Takes the pictures out of doc as files of the folder folderName (beside the note's page) and
// points the document's images at them, so HTML and Markdown written from doc refer to the files.
// PNG and JPEG keep the bytes the note holds; other pictures are written as PNG.
QList<PictureFile> detachPictures(QTextDocument *doc, const QString &folderName);

// A note page: UTF-8 HTML with the title in <title>.
QByteArray htmlOf(QTextDocument *doc, const QString &title);

// CommonMark (with pipe tables), see writeMarkdown. Markdown has no way to say colours, fonts,
// sizes, underline or alignment, so those are dropped.
QByteArray markdownOf(const QTextDocument *doc);

// UTF-8 text as the note list shows it in the preview: list markers, cells separated by tabs.
QByteArray textOf(const QTextDocument *doc);

} // namespace exchange
