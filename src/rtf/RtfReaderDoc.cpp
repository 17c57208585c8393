// The reader's side that builds the document: paragraphs, lists, tables and pictures.
#include "RtfReader.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextTable>

namespace rtf {

namespace {

constexpr double kTwipsPerPixel = 15.0; // at 96 pixels per inch
constexpr int kMaxColumns = 64;
constexpr int kMaxListItems = 1000;
constexpr int kMaxTableRows = 1000;
// What a paragraph or a table cell costs the layout, in characters, against a reading limit.
constexpr int kBlockUnits = 40;

QTextListFormat::Style listStyle(ListKind kind)
{
    switch (kind) {
    case ListKind::Decimal: return QTextListFormat::ListDecimal;
    case ListKind::LowerAlpha: return QTextListFormat::ListLowerAlpha;
    case ListKind::UpperAlpha: return QTextListFormat::ListUpperAlpha;
    case ListKind::LowerRoman: return QTextListFormat::ListLowerRoman;
    case ListKind::UpperRoman: return QTextListFormat::ListUpperRoman;
    case ListKind::Bullet:
    case ListKind::None: break;
    }
    return QTextListFormat::ListDisc;
}

} // namespace

void RtfReader::cwPar(const RtfToken &, int)
{
    if (top().dest == Dest::Footnote && !m_footnotes.last().isEmpty())
        m_footnotes.last() += QLatin1Char(' ');
    if (top().dest != Dest::Text)
        return;
    endParagraph();
    // The next paragraph begins only when something is put into it: a paragraph mark before the
    // end of the body or before a table starts no empty line, as in the editors that wrote it.
    m_blockPending = true;
}

void RtfReader::endParagraph()
{
    resolveListText();
    addChars(QStringView());
    flushRun();
    beginContent();
    applyBlockFormat();
    m_bulletPending = false;
}

void RtfReader::beginContent()
{
    ensureTableContext();
    if (m_blockPending) {
        m_cursor.insertBlock(QTextBlockFormat(), charFormat(top().chr));
        m_blockPending = false;
        m_used += kBlockUnits;
    }
}

void RtfReader::applyBlockFormat()
{
    const ParaState &p = top().para;
    const ListKind kind = p.list != ListKind::None ? p.list : (m_bulletPending ? ListKind::Bullet : ListKind::None);
    QTextBlockFormat bf;
    switch (p.align) {
    case 1: bf.setAlignment(Qt::AlignHCenter); break;
    case 2: bf.setAlignment(Qt::AlignRight); break;
    case 3: bf.setAlignment(Qt::AlignJustify); break;
    default: bf.setAlignment(Qt::AlignLeft); break;
    }
    // In a list the list draws the indent and the marker.
    if (kind == ListKind::None) {
        if (p.li != 0)
            bf.setLeftMargin(p.li / kTwipsPerPixel);
        if (p.fi != 0)
            bf.setTextIndent(p.fi / kTwipsPerPixel);
    }
    if (p.ri != 0)
        bf.setRightMargin(p.ri / kTwipsPerPixel);
    if (p.sb != 0)
        bf.setTopMargin(p.sb / kTwipsPerPixel);
    if (p.sa != 0)
        bf.setBottomMargin(p.sa / kTwipsPerPixel);
    if (p.sl != 0) {
        if (p.slMult && p.sl > 0)
            bf.setLineHeight(p.sl * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
        else if (p.sl > 0)
            bf.setLineHeight(p.sl / kTwipsPerPixel, QTextBlockFormat::MinimumHeight);
        else
            bf.setLineHeight(-p.sl / kTwipsPerPixel, QTextBlockFormat::FixedHeight);
    }
    m_cursor.setBlockFormat(bf);
    m_cursor.setBlockCharFormat(charFormat(top().chr));
    if (kind == ListKind::None)
        return;
    const QTextBlock block = m_cursor.block();
    // Qt touches every item of a list when one is added, so a list of thousands of items made
    // reading quadratic; a very long list goes on as a new list of the same kind.
    if (m_list && m_listKind == kind && m_list->count() > 0 && m_list->count() < kMaxListItems
        && m_list->item(m_list->count() - 1).next() == block) {
        m_list->add(block);
        return;
    }
    QTextListFormat lf;
    lf.setStyle(listStyle(kind));
    lf.setIndent(1);
    m_list = m_cursor.createList(lf);
    m_listKind = kind;
}

void RtfReader::ensureTableContext()
{
    if (!top().para.inTable) {
        if (m_table)
            leaveTable();
        return;
    }
    // Qt rebuilds a table's whole cell grid after each change of its shape, so a table of a
    // hundred thousand rows made reading quadratic: a very long table goes on as a new table of
    // the same columns.
    if (m_table && m_rowPending && m_row + 1 >= kMaxTableRows)
        leaveTable();
    if (!m_table) {
        // The table goes at the end of the paragraph before it; Qt ends that paragraph there.
        if (m_blockPending) {
            m_blockPending = false;
        } else if (!m_cursor.block().text().isEmpty()) {
            ParaState saved = top().para;
            top().para.inTable = false;
            applyBlockFormat();
            top().para = saved;
        }
        const int columns = qBound(1, int(m_cellX.size()), kMaxColumns);
        QTextTableFormat tf;
        tf.setBorder(1);
        tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        tf.setCellSpacing(0);
        tf.setCellPadding(3);
        QList<QTextLength> widths;
        int left = 0;
        for (int x : m_cellX) {
            widths.append(QTextLength(QTextLength::FixedLength, qMax(1, x - left) / kTwipsPerPixel));
            left = x;
        }
        if (widths.size() == columns)
            tf.setColumnWidthConstraints(widths);
        m_table = m_cursor.insertTable(1, columns, tf);
        m_row = 0;
        m_col = 0;
        m_rowPending = false;
        m_cursor = m_table->cellAt(0, 0).firstCursorPosition();
        return;
    }
    bool move = false;
    if (m_rowPending) {
        // Qt rebuilds a table's cell grid after every change of shape, so rows come in batches
        // (trimmed when the table ends): one row at a time made a long table quadratic.
        if (m_row + 1 >= m_table->rows())
            m_table->appendRows(qBound(1, m_table->rows(), 256));
        ++m_row;
        m_col = 0;
        m_rowPending = false;
        move = true;
        m_used += qint64(kBlockUnits) * m_table->columns();
    }
    if (m_col >= kMaxColumns)
        m_col = kMaxColumns - 1; // more cells than we keep: the rest share the last one
    if (m_col >= m_table->columns())
        m_table->appendColumns(m_col - m_table->columns() + 1);
    const QTextTableCell cell = m_table->cellAt(m_row, m_col);
    if (move || m_table->cellAt(m_cursor) != cell) {
        if (cell.isValid())
            m_cursor = cell.lastCursorPosition();
    }
}

void RtfReader::trimTable()
{
    if (m_table && m_table->rows() > m_row + 1)
        m_table->removeRows(m_row + 1, m_table->rows() - m_row - 1);
}

void RtfReader::leaveTable()
{
    flushRun();
    trimTable();
    m_blockPending = false; // the paragraph after a table is the one Qt keeps there
    m_cursor = m_table->lastCursorPosition();
    m_cursor.movePosition(QTextCursor::NextBlock);
    m_table = nullptr;
    m_rowPending = false;
    m_list = nullptr;
}

void RtfReader::cwCell(const RtfToken &, int)
{
    if (top().dest != Dest::Text)
        return;
    top().para.inTable = true; // a cell mark outside \intbl still ends a cell
    endParagraph();
    ++m_col;
}

void RtfReader::cwRow(const RtfToken &, int)
{
    if (top().dest != Dest::Text)
        return;
    flushRun();
    if (!m_table)
        return;
    m_rowPending = true;
    m_col = 0;
}

void RtfReader::appendFootnotes()
{
    // A note has no page foot: its footnotes end it, each a paragraph marked with its number.
    if (m_footnotes.isEmpty())
        return;
    QTextCursor end(m_doc);
    end.movePosition(QTextCursor::End);
    const QTextCharFormat format = charFormat(CharState());
    for (qsizetype i = 0; i < m_footnotes.size(); ++i) {
        if (m_doc->characterCount() > 1)
            end.insertBlock(QTextBlockFormat(), format);
        end.insertText(QStringLiteral("[%1] %2").arg(i + 1).arg(m_footnotes.at(i).simplified()), format);
    }
    m_footnotes.clear();
}

void RtfReader::insertPicture()
{
    PictureData pic = std::move(m_pict);
    m_pict = PictureData();
    if (pic.bytes.isEmpty() || top().dest != Dest::Text)
        return;
    // Past the memory budget of one body, pictures show as placeholders (and keep their bytes).
    QImage image = m_decodedBytes < kMaxDecodedPerBody ? decodePicture(pic) : QImage();
    m_decodedBytes += image.sizeInBytes();
    const QSizeF size = displaySize(pic, image);
    if (image.isNull())
        image = placeholderImage(size.toSize());
    addChars(QStringView());
    flushRun();
    beginContent();
    QTextImageFormat f;
    f.setName(storePicture(m_doc, pic, image));
    f.setWidth(size.width());
    f.setHeight(size.height());
    m_cursor.insertImage(f);
}

} // namespace rtf
