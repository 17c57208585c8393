#include "RtfWriter.h"
#include "FrameWalk.h"
#include "Rtf.h"
#include "RtfPicture.h"

#include <QBuffer>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <cmath>

namespace rtf {

namespace {

constexpr double kTwipsPerPixel = 15.0;
constexpr int kBulletIndent = 360;

int twips(double px)
{
    return int(std::lround(qBound(-31680.0, px * kTwipsPerPixel, 31680.0)));
}

ListKind listKind(QTextListFormat::Style style)
{
    switch (style) {
    case QTextListFormat::ListDecimal: return ListKind::Decimal;
    case QTextListFormat::ListLowerAlpha: return ListKind::LowerAlpha;
    case QTextListFormat::ListUpperAlpha: return ListKind::UpperAlpha;
    case QTextListFormat::ListLowerRoman: return ListKind::LowerRoman;
    case QTextListFormat::ListUpperRoman: return ListKind::UpperRoman;
    default: return ListKind::Bullet;
    }
}

const char *pnWord(ListKind kind)
{
    switch (kind) {
    case ListKind::LowerAlpha: return "pnlcltr";
    case ListKind::UpperAlpha: return "pnucltr";
    case ListKind::LowerRoman: return "pnlcrm";
    case ListKind::UpperRoman: return "pnucrm";
    default: return "pndec";
    }
}

} // namespace

RtfWriter::RtfWriter(const QTextDocument *doc)
    : m_doc(doc)
    , m_codePage(documentCodePage(doc))
    , m_codec(m_codePage)
{
    m_codePage = m_codec.codePage();
    const QFont font = doc->defaultFont();
    m_fonts.append(font.family());
    if (font.pointSizeF() > 0)
        m_defaultPointSize = font.pointSizeF();
    m_emitted.font = -2; // nothing emitted yet: the first run states its font and size
    m_emitted.fontSize = -1;
}

QByteArray RtfWriter::write()
{
    m_out.reserve(m_doc->characterCount() * 2 + 256);
    writeFrame(m_doc->rootFrame());
    QByteArray all = header();
    all += m_out;
    all += "}\r\n";
    return all;
}

QByteArray RtfWriter::header()
{
    QByteArray h = "{\\rtf1\\ansi\\ansicpg" + QByteArray::number(m_codePage) + "\\deff0\\deflang1033";
    if (m_codePage == 936)
        h += "\\deflangfe2052";
    h += "\\uc1{\\fonttbl";
    const int charset = charsetOfCodePage(m_codePage);
    for (int i = 0; i < m_fonts.size(); ++i) {
        h += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset" + QByteArray::number(charset) + ' ';
        for (const char32_t ch : m_fonts.at(i).toUcs4()) {
            if (ch >= 0x20 && ch < 0x80 && ch != ';' && ch != '\\' && ch != '{' && ch != '}') {
                h += char(ch);
                continue;
            }
            for (const char b : fallbackBytes(ch)) {
                h += "\\'";
                h += QByteArray::number(uchar(b), 16).rightJustified(2, '0');
            }
        }
        h += ";}";
    }
    if (m_symbolFont)
        h += "{\\f" + QByteArray::number(m_fonts.size()) + "\\fnil\\fcharset2 Symbol;}";
    h += "}\r\n";
    // Entry 0 is the automatic colour.
    h += "{\\colortbl ;";
    for (const QColor &c : std::as_const(m_colors)) {
        h += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) + "\\blue"
            + QByteArray::number(c.blue()) + ';';
    }
    h += "}\r\n";
    h += "\\viewkind4";
    return h;
}

void RtfWriter::word(const char *w)
{
    m_out += '\\';
    m_out += w;
    m_needSpace = true;
}

void RtfWriter::word(const char *w, int n)
{
    m_out += '\\';
    m_out += w;
    m_out += QByteArray::number(n);
    m_needSpace = true;
}

void RtfWriter::symbol(const char *s)
{
    // A control symbol ends itself: no space is needed after it.
    m_out += s;
    m_needSpace = false;
}

void RtfWriter::newline()
{
    // A line break ends a control word as a space would, and is not text.
    m_out += "\r\n";
    m_needSpace = false;
}

void RtfWriter::literal(char c)
{
    if (m_needSpace) {
        m_out += ' ';
        m_needSpace = false;
    }
    m_out += c;
}

void RtfWriter::writeFrame(const QTextFrame *frame)
{
    rtf::walkFrame(
        frame, [this](const QTextTable *table) { writeTable(table); },
        [this](const QTextBlock &block) {
            writeBlock(block, false);
            // Every paragraph ends with its mark, the last one too; the reader starts no paragraph
            // after the last mark, so a round trip adds no empty line.
            word("par");
            newline();
        });
}

void RtfWriter::writeTable(const QTextTable *table)
{
    const QTextTableFormat tf = table->format();
    const QList<QTextLength> widths = tf.columnWidthConstraints();
    const int columns = table->columns();
    for (int r = 0; r < table->rows(); ++r) {
        word("trowd");
        word("trgaph", 108);
        int x = 0;
        for (int c = 0; c < columns; ++c) {
            int w = 9000 / qMax(1, columns);
            if (c < widths.size() && widths.at(c).type() == QTextLength::FixedLength)
                w = qMax(1, twips(widths.at(c).rawValue()));
            x += w;
            word("cellx", x);
        }
        newline();
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c) {
                m_paraValid = false;
                word("pard");
                word("intbl");
                word("cell");
                continue;
            }
            bool first = true;
            for (auto it = cell.begin(); !it.atEnd(); ++it) {
                if (it.currentFrame())
                    continue; // a table inside a cell keeps its place in the cell's text only
                if (!first)
                    word("par");
                writeBlock(it.currentBlock(), true);
                first = false;
            }
            word("cell");
            newline();
        }
        word("row");
        newline();
    }
    m_paraValid = false;
}

void RtfWriter::writeParagraphStart(const QTextBlock &block, bool inTable)
{
    const QTextBlockFormat bf = block.blockFormat();
    const QTextList *list = block.textList();
    ParaState p;
    switch (bf.alignment() & Qt::AlignHorizontal_Mask) {
    case Qt::AlignHCenter: p.align = 1; break;
    case Qt::AlignRight: p.align = 2; break;
    case Qt::AlignJustify: p.align = 3; break;
    default: break;
    }
    if (list) {
        const int indent = qMax(1, list->format().indent());
        p.li = kBulletIndent * 2 * indent;
        p.fi = -kBulletIndent;
        p.list = listKind(list->format().style());
    } else {
        p.li = twips(bf.leftMargin());
        p.fi = twips(bf.textIndent());
    }
    p.ri = twips(bf.rightMargin());
    p.sb = twips(bf.topMargin());
    p.sa = twips(bf.bottomMargin());
    switch (bf.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        if (std::lround(bf.lineHeight()) != 100) {
            p.sl = int(std::lround(bf.lineHeight() * 240.0 / 100.0));
            p.slMult = true;
        }
        break;
    case QTextBlockFormat::MinimumHeight: p.sl = twips(bf.lineHeight()); break;
    case QTextBlockFormat::FixedHeight: p.sl = -twips(bf.lineHeight()); break;
    default: break;
    }
    p.inTable = inTable;

    const bool changed = !m_paraValid || !(p == m_para) || list != m_paraList;
    if (changed) {
        word("pard");
        if (inTable)
            word("intbl");
    }
    if (list) {
        // Every item carries its marker as text for readers without list support.
        m_out += "{\\pntext\\f";
        if (p.list == ListKind::Bullet) {
            m_symbolFont = true;
            m_out += QByteArray::number(m_fonts.size()) + "\\'b7\\tab}";
        } else {
            m_out += "0 " + list->itemText(block).toLatin1() + "\\tab}";
        }
        m_needSpace = false;
        if (changed) {
            if (p.list == ListKind::Bullet) {
                m_out += "{\\*\\pn\\pnlvlblt\\pnf" + QByteArray::number(m_fonts.size())
                    + "\\pnindent0{\\pntxtb\\'b7}}";
            } else {
                m_out += "{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\";
                m_out += pnWord(p.list);
                m_out += "{\\pntxta.}}";
            }
        }
    }
    if (changed) {
        static const char *const aligns[] = {nullptr, "qc", "qr", "qj"};
        if (p.align > 0)
            word(aligns[p.align]);
        if (p.fi != 0)
            word("fi", p.fi);
        if (p.li != 0)
            word("li", p.li);
        if (p.ri != 0)
            word("ri", p.ri);
        if (p.sb != 0)
            word("sb", p.sb);
        if (p.sa != 0)
            word("sa", p.sa);
        if (p.sl != 0) {
            word("sl", p.sl);
            word("slmult", p.slMult ? 1 : 0);
        }
    }
    m_para = p;
    m_paraList = list;
    m_paraValid = true;
}

void RtfWriter::writeBlock(const QTextBlock &block, bool inTable)
{
    writeParagraphStart(block, inTable);
    bool any = false;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.isValid()) {
            writeFragment(fragment);
            any = true;
        }
    }
    if (!any) // an empty paragraph keeps the size of its line
        writeCharFormat(charState(block.charFormat()));
}

CharState RtfWriter::charState(const QTextCharFormat &f)
{
    CharState c;
    c.bold = f.fontWeight() >= QFont::DemiBold;
    c.italic = f.fontItalic();
    c.underline = f.fontUnderline();
    c.strike = f.fontStrikeOut();
    const double pt = f.fontPointSize() > 0 ? f.fontPointSize() : m_defaultPointSize;
    c.fontSize = qBound(2, int(std::lround(pt * 2)), 3276);
    const QStringList families = f.fontFamilies().toStringList();
    c.font = families.isEmpty() || families.first().isEmpty() ? 0 : fontIndex(families.first());
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
        c.fg = colorIndex(f.foreground().color());
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
        c.bg = colorIndex(f.background().color());
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        c.vAlign = 1;
    else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        c.vAlign = 2;
    return c;
}

int RtfWriter::fontIndex(const QString &family)
{
    const qsizetype i = m_fonts.indexOf(family);
    if (i >= 0)
        return int(i);
    m_fonts.append(family);
    return int(m_fonts.size() - 1);
}

int RtfWriter::colorIndex(const QColor &color)
{
    const QColor rgb = color.toRgb();
    for (qsizetype i = 0; i < m_colors.size(); ++i) {
        if (m_colors.at(i).rgb() == rgb.rgb())
            return int(i + 1);
    }
    m_colors.append(rgb);
    return int(m_colors.size());
}

void RtfWriter::writeCharFormat(const CharState &c)
{
    CharState &e = m_emitted;
    if (c.bold != e.bold)
        c.bold ? word("b") : word("b", 0);
    if (c.italic != e.italic)
        c.italic ? word("i") : word("i", 0);
    if (c.underline != e.underline)
        c.underline ? word("ul") : word("ulnone");
    if (c.strike != e.strike)
        c.strike ? word("strike") : word("strike", 0);
    if (c.font != e.font)
        word("f", c.font);
    if (c.fontSize != e.fontSize)
        word("fs", c.fontSize);
    if (c.fg != e.fg)
        word("cf", c.fg);
    if (c.bg != e.bg)
        word("highlight", c.bg);
    if (c.vAlign != e.vAlign)
        word(c.vAlign == 1 ? "super" : c.vAlign == 2 ? "sub" : "nosupersub");
    const int href = e.href;
    e = c;
    e.href = href;
}

void RtfWriter::writeFragment(const QTextFragment &fragment)
{
    const QTextCharFormat f = fragment.charFormat();
    if (f.isImageFormat()) {
        const QString text = fragment.text();
        for (const QChar ch : text) {
            if (ch == QChar::ObjectReplacementCharacter)
                writePicture(f.toImageFormat());
        }
        return;
    }
    const CharState c = charState(f);
    const QString href = f.isAnchor() ? f.anchorHref() : QString();
    if (href.isEmpty()) {
        writeCharFormat(c);
        writeText(fragment.text());
        return;
    }
    // A link is a field; its result group keeps the formatting inside it.
    QString target = href;
    target.replace(QLatin1Char('"'), QLatin1String("%22"));
    m_out += "{\\field{\\*\\fldinst{HYPERLINK \"";
    m_needSpace = false;
    writeText(target);
    m_out += "\"}}{\\fldrslt{";
    m_needSpace = false;
    const CharState saved = m_emitted;
    const int savedUc = m_uc;
    writeCharFormat(c);
    writeText(fragment.text());
    m_out += "}}}";
    m_needSpace = false;
    m_emitted = saved;
    m_uc = savedUc;
}

QByteArray RtfWriter::fallbackBytes(char32_t ch)
{
    auto it = m_fallbacks.find(ch);
    if (it == m_fallbacks.end())
        it = m_fallbacks.emplace(ch, m_codec.encodeChar(ch)).first;
    return it->second;
}

void RtfWriter::writeText(QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t ch = text[i].unicode();
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ch = QChar::surrogateToUcs4(char16_t(ch), text[i + 1].unicode());
            ++i;
        }
        switch (ch) {
        case '\\': symbol("\\\\"); continue;
        case '{': symbol("\\{"); continue;
        case '}': symbol("\\}"); continue;
        case '\t': word("tab"); continue;
        case 0x2028: word("line"); continue;
        case 0x2029: word("par"); continue;
        case 0xa0: symbol("\\~"); continue;
        case 0xad: symbol("\\-"); continue;
        case 0x2011: symbol("\\_"); continue;
        default: break;
        }
        if (ch < 0x20)
            continue;
        if (ch < 0x80) {
            literal(char(ch));
            continue;
        }
        // Unicode for readers that know it, the code page's bytes for those that do not.
        const QByteArray fallback = ch < 0x10000 ? fallbackBytes(ch) : QByteArray();
        const int units = fallback.isEmpty() ? 1 : int(fallback.size());
        if (units != m_uc) {
            word("uc", units);
            m_uc = units;
        }
        auto unicodeWord = [this](char16_t unit) {
            word("u", unit > 0x7fff ? int(unit) - 0x10000 : int(unit));
        };
        if (ch >= 0x10000) {
            unicodeWord(QChar::highSurrogate(ch));
            m_out += '?';
            unicodeWord(QChar::lowSurrogate(ch));
            m_out += '?';
            m_needSpace = false;
            continue;
        }
        unicodeWord(char16_t(ch));
        if (fallback.isEmpty()) {
            m_out += '?';
        } else {
            for (const char b : fallback) {
                m_out += "\\'";
                m_out += hex[(uchar(b) >> 4) & 0xf];
                m_out += hex[uchar(b) & 0xf];
            }
        }
        m_needSpace = false;
    }
}

void RtfWriter::writePicture(const QTextImageFormat &format)
{
    const QString name = format.name();
    const QVariant resource = m_doc->resource(QTextDocument::ImageResource, QUrl(name));
    QImage image;
    if (resource.typeId() == QMetaType::QImage)
        image = resource.value<QImage>();
    else if (resource.typeId() == QMetaType::QPixmap)
        image = resource.value<QPixmap>().toImage();
    else if (resource.typeId() == QMetaType::QByteArray)
        image = QImage::fromData(resource.toByteArray());
    PictureData pic;
    if (!storedPicture(m_doc, name, &pic)) {
        if (image.isNull())
            return; // nothing we could write; the rest of the body still is
        QBuffer png(&pic.bytes);
        png.open(QIODevice::WriteOnly);
        image.save(&png, "PNG");
        pic.blip = BlipType::Png;
        pic.picW = image.width();
        pic.picH = image.height();
    }
    double w = format.width(), h = format.height();
    if (w <= 0 || h <= 0) {
        w = image.isNull() ? 32 : image.width();
        h = image.isNull() ? 32 : image.height();
    }
    if (pic.picW <= 0 || pic.picH <= 0) {
        const bool metafile = pic.blip == BlipType::Wmf || pic.blip == BlipType::Emf;
        pic.picW = metafile ? int(std::lround(w * 2540 / 96)) : (image.isNull() ? int(w) : image.width());
        pic.picH = metafile ? int(std::lround(h * 2540 / 96)) : (image.isNull() ? int(h) : image.height());
    }
    m_out += "{\\pict";
    switch (pic.blip) {
    case BlipType::Png: word("pngblip"); break;
    case BlipType::Jpeg: word("jpegblip"); break;
    case BlipType::Dib: word("dibitmap", pic.blipParam); break;
    case BlipType::WBitmap:
        word("wbitmap", pic.blipParam);
        word("picbpp", pic.bitsPerPixel);
        word("picwbmwidthbytes", pic.widthBytes);
        break;
    case BlipType::Wmf: word("wmetafile", pic.blipParam > 0 ? pic.blipParam : 8); break;
    case BlipType::Emf: word("emfblip"); break;
    case BlipType::Unknown: break;
    }
    word("picw", pic.picW);
    word("pich", pic.picH);
    const auto goal = [](double px) { return int(std::lround(qBound(1.0, px, double(kMaxPictureSide)) * kTwipsPerPixel)); };
    word("picwgoal", goal(w));
    word("pichgoal", goal(h));
    newline();
    const QByteArray hexText = pic.bytes.toHex();
    for (qsizetype i = 0; i < hexText.size(); i += 128) {
        m_out.append(hexText.constData() + i, qMin<qsizetype>(128, hexText.size() - i));
        newline();
    }
    m_out += '}';
    m_needSpace = false;
}

} // namespace rtf
