#pragma once

#include <QPainter>
#include <QString>

class QPagedPaintDevice;

namespace exchange {

// Lays notes out on the pages of a printer or PDF writer, each note from a new page, one note
// in memory at a time.
class NotePages
{
public:
    explicit NotePages(QPagedPaintDevice *device);
    bool isActive() const { return m_painter.isActive(); }
    // Paints a stored body; returns the index of the note's first page (0 based).
    int add(const QString &body);
    int pageCount() const { return m_pages; }
    void finish() { m_painter.end(); }

private:
    QPagedPaintDevice *m_device;
    QPainter m_painter;
    int m_pages = 0;
};

} // namespace exchange
