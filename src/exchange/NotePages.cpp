#include "NotePages.h"

#include "PdfTextMap.h"

#include "rtf/Rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QPagedPaintDevice>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>

#include <vector>

namespace exchange {

namespace {

// The title as a heading above the body, so that notes following each other on paper can be
// told apart. The body's first paragraph keeps its own format, list or table.
void addHeading(QTextDocument *doc, const QString &title)
{
    QTextCursor c(doc);
    c.insertBlock(c.blockFormat(), c.blockCharFormat());
    c.movePosition(QTextCursor::Start);
    if (QTextList *list = c.currentList())
        list->remove(c.block());
    const qreal size = doc->defaultFont().pointSizeF() > 0 ? doc->defaultFont().pointSizeF() : 10.5;
    QTextBlockFormat heading;
    heading.setHeadingLevel(1);
    heading.setBottomMargin(size);
    c.setBlockFormat(heading);
    QTextCharFormat big;
    big.setFontWeight(QFont::Bold);
    big.setFontPointSize(size * 1.6);
    c.setBlockCharFormat(big);
    c.insertText(title, big);
}

// A paragraph that goes on from one page to the next.
struct SplitBlock
{
    QTextBlock block;
    QPointF origin;       // where its line positions start, on the whole document's pages
    QList<int> linePages; // the page of each line
};

// Qt draws a page with the last line above it too, out of sight but in the file, so a PDF gave
// the text of every line before a page break twice. The paragraphs that go on from an earlier
// page are drawn on the later pages line by line instead.
std::vector<SplitBlock> splitBlocks(const QTextDocument &doc, qreal pageHeight)
{
    std::vector<SplitBlock> out;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextLayout *lines = block.layout();
        if (lines->lineCount() < 2)
            continue;
        // The block's rectangle starts at its layout's position, whatever its lines' own offsets.
        SplitBlock split{block, doc.documentLayout()->blockBoundingRect(block).topLeft(), {}};
        for (int i = 0; i < lines->lineCount(); ++i)
            split.linePages << int((split.origin.y() + lines->lineAt(i).y()) / pageHeight);
        if (split.linePages.first() != split.linePages.last())
            out.push_back(std::move(split));
    }
    return out;
}

} // namespace

NotePages::NotePages(QPagedPaintDevice *device, PdfTextMap *text)
    : m_device(device), m_text(text), m_painter(device)
{
}

int NotePages::add(const QString &title, const QString &body)
{
    QTextDocument doc;
    rtf::readInto(body, &doc);
    addHeading(&doc, title);
    // Laid out for the device, so fonts and pictures keep their printed size.
    doc.documentLayout()->setPaintDevice(m_device);
    const QRect page = m_device->pageLayout().paintRectPixels(m_device->logicalDpiX());
    const QSizeF size(page.width(), page.height());
    doc.setPageSize(size);
    const int first = m_pages;
    const int count = doc.pageCount();
    if (m_text)
        m_text->add(doc);
    std::vector<SplitBlock> split = splitBlocks(doc, size.height());
    for (int i = 0; i < count; ++i) {
        if (m_pages > 0)
            m_device->newPage();
        ++m_pages;
        m_painter.save();
        const QRectF view(0, i * size.height(), size.width(), size.height());
        m_painter.translate(0, -view.top());
        // Moved far above the page while the rest is drawn, then drawn line by line.
        const auto goesOn = [i](const SplitBlock &s) { return s.linePages.first() < i && s.linePages.last() >= i; };
        for (SplitBlock &s : split) {
            if (goesOn(s))
                s.block.layout()->setPosition(s.block.layout()->position() - QPointF(0, 1e9));
        }
        doc.drawContents(&m_painter, view);
        m_painter.setClipRect(view);
        m_painter.setPen(Qt::black);
        for (SplitBlock &s : split) {
            if (!goesOn(s))
                continue;
            QTextLayout *lines = s.block.layout();
            lines->setPosition(lines->position() + QPointF(0, 1e9));
            for (int line = 0; line < s.linePages.size(); ++line) {
                if (s.linePages[line] == i)
                    lines->lineAt(line).draw(&m_painter, s.origin);
            }
        }
        m_painter.restore();
    }
    return first;
}

} // namespace exchange
