#pragma once

#include <QPainter>
#include <QString>

class QPagedPaintDevice;

namespace exchange {

class PdfTextMap;

// Lays notes out on the pages of a printer or PDF writer, each note from a new page under its
// title, one note in memory at a time.
class NotePages
{
public:
    // text, when given, learns what every note painted holds and which fonts drew it.
    explicit NotePages(QPagedPaintDevice *device, PdfTextMap *text = nullptr);
    bool isActive() const { return m_painter.isActive(); }
    // Paints a note from its stored body; returns the index of its first page (0 based).
    int add(const QString &title, const QString &body);
    int pageCount() const { return m_pages; }
    void finish() { m_painter.end(); }

private:
    QPagedPaintDevice *m_device;
    PdfTextMap *m_text;
    QPainter m_painter;
    int m_pages = 0;
};

} // namespace exchange
