#include "NotePages.h"

#include "Rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QPagedPaintDevice>
#include <QTextDocument>

namespace exchange {

NotePages::NotePages(QPagedPaintDevice *device) : m_device(device), m_painter(device) {}

int NotePages::add(const QString &body)
{
    QTextDocument doc;
    rtf::readInto(body, &doc);
    // Laid out for the device, so fonts and pictures keep their printed size.
    doc.documentLayout()->setPaintDevice(m_device);
    const QRect page = m_device->pageLayout().paintRectPixels(m_device->logicalDpiX());
    const QSizeF size(page.width(), page.height());
    doc.setPageSize(size);
    const int first = m_pages;
    const int count = doc.pageCount();
    for (int i = 0; i < count; ++i) {
        if (m_pages > 0)
            m_device->newPage();
        ++m_pages;
        m_painter.save();
        const QRectF view(0, i * size.height(), size.width(), size.height());
        m_painter.translate(0, -view.top());
        doc.drawContents(&m_painter, view);
        m_painter.restore();
    }
    return first;
}

} // namespace exchange
