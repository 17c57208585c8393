// Control words: the dispatch table and one small handler per family of words.
#include "RtfReader.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace rtf {

namespace {

enum ParaNumber { Li, Ri, Fi, Sb, Sa, Sl };
enum Toggle { Bold, Italic, Underline, Strike, Hidden };
enum PictNumber { PicW, PicH, GoalW, GoalH, ScaleX, ScaleY, Bpp, WidthBytes };

// Indents and spacing beyond 22 inches are damage, not layout.
int boundTwips(int v)
{
    return std::clamp(v, -31680, 31680);
}

} // namespace

const RtfReader::Word *RtfReader::lookup(const char *name)
{
    using R = RtfReader;
    // Sorted by name for binary search; the build checks the order.
    static constexpr Word words[] = {
        {"aftncn", &R::cwIgnoredDestination, 0},
        {"aftnsep", &R::cwIgnoredDestination, 0},
        {"aftnsepc", &R::cwIgnoredDestination, 0},
        {"annotation", &R::cwIgnoredDestination, 0},
        {"ansi", &R::cwCharsetWord, 1252},
        {"ansicpg", &R::cwAnsiCodePage, 0},
        {"atnid", &R::cwIgnoredDestination, 0},
        {"author", &R::cwIgnoredDestination, 0},
        {"b", &R::cwCharToggle, Bold},
        {"bkmkend", &R::cwIgnoredDestination, 0},
        {"bkmkstart", &R::cwIgnoredDestination, 0},
        {"blue", &R::cwColorPart, 0},
        {"bullet", &R::cwCharText, 0x2022},
        {"cb", &R::cwBackground, 0},
        {"cell", &R::cwCell, 0},
        {"cellx", &R::cwCellX, 0},
        {"cf", &R::cwForeground, 0},
        {"chftn", &R::cwFootnoteMark, 0},
        {"colorschememapping", &R::cwIgnoredDestination, 0},
        {"colortbl", &R::cwColorTable, 0},
        {"comment", &R::cwIgnoredDestination, 0},
        {"cpg", &R::cwFontCodePage, 0},
        {"datastore", &R::cwIgnoredDestination, 0},
        {"defchp", &R::cwIgnoredDestination, 0},
        {"deff", &R::cwDefaultFont, 0},
        {"defpap", &R::cwIgnoredDestination, 0},
        {"dibitmap", &R::cwPictBlip, int(BlipType::Dib)},
        {"docvar", &R::cwIgnoredDestination, 0},
        {"emdash", &R::cwCharText, 0x2014},
        {"emfblip", &R::cwPictBlip, int(BlipType::Emf)},
        {"emspace", &R::cwCharText, 0x2003},
        {"endash", &R::cwCharText, 0x2013},
        {"enspace", &R::cwCharText, 0x2002},
        {"f", &R::cwFont, 0},
        {"fchars", &R::cwIgnoredDestination, 0},
        {"fcharset", &R::cwFontCharset, 0},
        {"fi", &R::cwParaNumber, Fi},
        {"field", &R::cwField, 0},
        {"filetbl", &R::cwIgnoredDestination, 0},
        {"fldinst", &R::cwFieldInst, 0},
        {"fldrslt", &R::cwFieldResult, 0},
        {"fonttbl", &R::cwFontTable, 0},
        {"footer", &R::cwIgnoredDestination, 0},
        {"footerf", &R::cwIgnoredDestination, 0},
        {"footerl", &R::cwIgnoredDestination, 0},
        {"footerr", &R::cwIgnoredDestination, 0},
        {"footnote", &R::cwFootnote, 0},
        {"fs", &R::cwFontSize, 0},
        {"ftncn", &R::cwIgnoredDestination, 0},
        {"ftnsep", &R::cwIgnoredDestination, 0},
        {"ftnsepc", &R::cwIgnoredDestination, 0},
        {"generator", &R::cwIgnoredDestination, 0},
        {"green", &R::cwColorPart, 8},
        {"header", &R::cwIgnoredDestination, 0},
        {"headerf", &R::cwIgnoredDestination, 0},
        {"headerl", &R::cwIgnoredDestination, 0},
        {"headerr", &R::cwIgnoredDestination, 0},
        {"highlight", &R::cwBackground, 0},
        {"i", &R::cwCharToggle, Italic},
        {"info", &R::cwIgnoredDestination, 0},
        {"intbl", &R::cwInTable, 0},
        {"itap", &R::cwTableDepth, 0},
        {"jpegblip", &R::cwPictBlip, int(BlipType::Jpeg)},
        {"latentstyles", &R::cwIgnoredDestination, 0},
        {"lchars", &R::cwIgnoredDestination, 0},
        {"ldblquote", &R::cwCharText, 0x201c},
        {"li", &R::cwParaNumber, Li},
        {"line", &R::cwCharText, 0x2028},
        {"listoverridetable", &R::cwIgnoredDestination, 0},
        {"listpicture", &R::cwIgnoredDestination, 0},
        {"listtable", &R::cwIgnoredDestination, 0},
        {"listtext", &R::cwListText, 0},
        {"lquote", &R::cwCharText, 0x2018},
        {"mac", &R::cwCharsetWord, 10000},
        {"mmathPr", &R::cwIgnoredDestination, 0},
        {"nestcell", &R::cwCharText, '\t'},
        {"nestrow", &R::cwCharText, 0x2028},
        {"nesttableprops", &R::cwTextDestination, 0},
        {"nonesttables", &R::cwIgnoredDestination, 0},
        {"nonshppict", &R::cwIgnoredDestination, 0},
        {"nosupersub", &R::cwVAlign, 0},
        {"objdata", &R::cwIgnoredDestination, 0},
        {"operator", &R::cwIgnoredDestination, 0},
        {"page", &R::cwPar, 0},
        {"par", &R::cwPar, 0},
        {"pard", &R::cwPard, 0},
        {"pc", &R::cwCharsetWord, 437},
        {"pca", &R::cwCharsetWord, 850},
        {"pgdsctbl", &R::cwIgnoredDestination, 0},
        {"pgptbl", &R::cwIgnoredDestination, 0},
        {"picbpp", &R::cwPictNumber, Bpp},
        {"pich", &R::cwPictNumber, PicH},
        {"pichgoal", &R::cwPictNumber, GoalH},
        {"picscalex", &R::cwPictNumber, ScaleX},
        {"picscaley", &R::cwPictNumber, ScaleY},
        {"pict", &R::cwPict, 0},
        {"picw", &R::cwPictNumber, PicW},
        {"picwbmwidthbytes", &R::cwPictNumber, WidthBytes},
        {"picwgoal", &R::cwPictNumber, GoalW},
        {"plain", &R::cwPlain, 0},
        {"pn", &R::cwPn, 0},
        {"pndec", &R::cwPnKind, int(ListKind::Decimal)},
        {"pngblip", &R::cwPictBlip, int(BlipType::Png)},
        {"pnlcltr", &R::cwPnKind, int(ListKind::LowerAlpha)},
        {"pnlcrm", &R::cwPnKind, int(ListKind::LowerRoman)},
        {"pnlvlblt", &R::cwPnKind, int(ListKind::Bullet)},
        {"pnlvlbody", &R::cwPnKind, int(ListKind::Decimal)},
        {"pntext", &R::cwPnText, 0},
        {"pnucltr", &R::cwPnKind, int(ListKind::UpperAlpha)},
        {"pnucrm", &R::cwPnKind, int(ListKind::UpperRoman)},
        {"protusertbl", &R::cwIgnoredDestination, 0},
        {"qc", &R::cwAlign, 1},
        {"qj", &R::cwAlign, 3},
        {"ql", &R::cwAlign, 0},
        {"qr", &R::cwAlign, 2},
        {"rdblquote", &R::cwCharText, 0x201d},
        {"red", &R::cwColorPart, 16},
        {"revtbl", &R::cwIgnoredDestination, 0},
        {"ri", &R::cwParaNumber, Ri},
        {"row", &R::cwRow, 0},
        {"rquote", &R::cwCharText, 0x2019},
        {"rsidtbl", &R::cwIgnoredDestination, 0},
        {"sa", &R::cwParaNumber, Sa},
        {"sb", &R::cwParaNumber, Sb},
        {"sect", &R::cwPar, 0},
        {"shppict", &R::cwTextDestination, 0},
        {"sl", &R::cwParaNumber, Sl},
        {"slmult", &R::cwSlMult, 0},
        {"strike", &R::cwCharToggle, Strike},
        {"stylesheet", &R::cwIgnoredDestination, 0},
        {"sub", &R::cwVAlign, 2},
        {"super", &R::cwVAlign, 1},
        {"tab", &R::cwCharText, '\t'},
        {"themedata", &R::cwIgnoredDestination, 0},
        {"title", &R::cwIgnoredDestination, 0},
        {"trowd", &R::cwRowDefaults, 0},
        {"txe", &R::cwIgnoredDestination, 0},
        {"u", &R::cwUnicode, 0},
        {"uc", &R::cwUnicodeSkip, 0},
        {"ud", &R::cwUnicodeDestination, 0},
        {"ul", &R::cwCharToggle, Underline},
        {"uld", &R::cwCharToggle, Underline},
        {"uldash", &R::cwCharToggle, Underline},
        {"uldashd", &R::cwCharToggle, Underline},
        {"uldashdd", &R::cwCharToggle, Underline},
        {"uldb", &R::cwCharToggle, Underline},
        {"ulhwave", &R::cwCharToggle, Underline},
        {"ulldash", &R::cwCharToggle, Underline},
        {"ulnone", &R::cwUnderlineOff, 0},
        {"ulth", &R::cwCharToggle, Underline},
        {"ulthd", &R::cwCharToggle, Underline},
        {"ulthdash", &R::cwCharToggle, Underline},
        {"ulw", &R::cwCharToggle, Underline},
        {"ulwave", &R::cwCharToggle, Underline},
        {"upr", &R::cwUnicodePair, 0},
        {"userprops", &R::cwIgnoredDestination, 0},
        {"v", &R::cwCharToggle, Hidden},
        {"wbitmap", &R::cwPictBlip, int(BlipType::WBitmap)},
        {"wgrffmtfilter", &R::cwIgnoredDestination, 0},
        {"wmetafile", &R::cwPictBlip, int(BlipType::Wmf)},
        {"xe", &R::cwIgnoredDestination, 0},
        {"xmlnstbl", &R::cwIgnoredDestination, 0},
    };
    static_assert(std::is_sorted(std::begin(words), std::end(words), [](const Word &a, const Word &b) {
        return std::string_view(a.name) < std::string_view(b.name);
    }));
    const auto it = std::lower_bound(std::begin(words), std::end(words), name, [](const Word &w, const char *n) {
        return std::strcmp(w.name, n) < 0;
    });
    if (it != std::end(words) && std::strcmp(it->name, name) == 0)
        return it;
    return nullptr;
}

void RtfReader::cwIgnoredDestination(const RtfToken &, int)
{
    top().dest = Dest::Skip;
}

void RtfReader::cwTextDestination(const RtfToken &, int)
{
    // e.g. \shppict: its content is the picture we prefer
}

void RtfReader::cwUnicodePair(const RtfToken &, int)
{
    // {\upr{ANSI text}{\*\ud{Unicode text}}}: only the Unicode half is shown.
    if (top().dest != Dest::Text)
        return;
    top().dest = Dest::Skip;
    top().inUnicodePair = true;
}

void RtfReader::cwUnicodeDestination(const RtfToken &, int)
{
    if (top().inUnicodePair)
        top().dest = Dest::Text;
}

void RtfReader::cwFontTable(const RtfToken &, int)
{
    top().dest = Dest::FontTable;
}

void RtfReader::cwColorTable(const RtfToken &, int)
{
    top().dest = Dest::ColorTable;
    m_colors.clear();
    m_colorSet = false;
    m_red = m_green = m_blue = 0;
}

void RtfReader::cwColorPart(const RtfToken &tok, int shift)
{
    if (top().dest != Dest::ColorTable)
        return;
    const int v = std::clamp(tok.param, 0, 255);
    (shift == 16 ? m_red : shift == 8 ? m_green : m_blue) = v;
    m_colorSet = true;
}

void RtfReader::cwFont(const RtfToken &tok, int)
{
    Group &g = top();
    if (g.dest == Dest::FontTable) {
        finishFontEntry();
        m_fontEntry = tok.param;
        m_fonts[m_fontEntry];
        g.opensFontEntry = true;
        return;
    }
    g.chr.font = tok.param;
}

void RtfReader::cwFontCharset(const RtfToken &tok, int)
{
    m_codePageValid = false;
    if (top().dest != Dest::FontTable || m_fontEntry < 0)
        return;
    Font &f = m_fonts[m_fontEntry];
    f.charset = tok.param;
    if (f.codePage <= 0 || f.codePage == codePageOfCharset(f.charset))
        f.codePage = codePageOfCharset(tok.param);
}

void RtfReader::cwFontCodePage(const RtfToken &tok, int)
{
    m_codePageValid = false;
    // \cpg wins over \fcharset whichever comes first
    if (top().dest == Dest::FontTable && m_fontEntry >= 0 && tok.param > 0)
        m_fonts[m_fontEntry].codePage = tok.param;
}

void RtfReader::cwDefaultFont(const RtfToken &tok, int)
{
    m_codePageValid = false;
    m_defaultFont = tok.param;
}

void RtfReader::cwAnsiCodePage(const RtfToken &tok, int)
{
    m_codePageValid = false;
    // An unknown or missing code page is read as 1252.
    const int cp = tok.param;
    m_ansiCodePage = (cp > 0 && CodePageCodec(cp).codePage() == cp) ? cp : 1252;
}

void RtfReader::cwCharsetWord(const RtfToken &, int codePage)
{
    m_codePageValid = false;
    if (codePage != 1252 || m_ansiCodePage == 0)
        m_ansiCodePage = codePage;
}

void RtfReader::cwUnicode(const RtfToken &tok, int)
{
    int v = tok.param;
    if (v < 0)
        v += 65536;
    if (v < 0 || v > 0xffff)
        v = 0xfffd;
    const char16_t unit = char16_t(v);
    addChars(QStringView(&unit, 1));
    m_skip = top().uc;
}

void RtfReader::cwUnicodeSkip(const RtfToken &tok, int)
{
    top().uc = std::clamp(tok.param, 0, 16);
}

void RtfReader::cwCharText(const RtfToken &, int ch)
{
    const char16_t unit = char16_t(ch);
    addChars(QStringView(&unit, 1));
}

void RtfReader::cwPard(const RtfToken &, int)
{
    if (top().para.inTable)
        flushRun(); // the run belongs to the cell it was collected in
    top().para = ParaState();
}

void RtfReader::cwPlain(const RtfToken &, int)
{
    const int href = top().chr.href; // a link survives \plain inside its result
    top().chr = CharState();
    top().chr.href = href;
}

void RtfReader::cwAlign(const RtfToken &, int align)
{
    top().para.align = align;
}

void RtfReader::cwParaNumber(const RtfToken &tok, int which)
{
    ParaState &p = top().para;
    const int v = boundTwips(tok.hasParam ? tok.param : 0);
    switch (which) {
    case Li: p.li = v; break;
    case Ri: p.ri = v; break;
    case Fi: p.fi = v; break;
    case Sb: p.sb = v; break;
    case Sa: p.sa = v; break;
    case Sl: p.sl = v; break;
    default: break;
    }
}

void RtfReader::cwSlMult(const RtfToken &tok, int)
{
    top().para.slMult = tok.hasParam ? tok.param != 0 : true;
}

void RtfReader::cwCharToggle(const RtfToken &tok, int which)
{
    const bool on = !tok.hasParam || tok.param != 0;
    CharState &c = top().chr;
    switch (which) {
    case Bold: c.bold = on; break;
    case Italic: c.italic = on; break;
    case Underline: c.underline = on; break;
    case Strike: c.strike = on; break;
    case Hidden: c.hidden = on; break;
    default: break;
    }
}

void RtfReader::cwUnderlineOff(const RtfToken &, int)
{
    top().chr.underline = false;
}

void RtfReader::cwFontSize(const RtfToken &tok, int)
{
    // 1 to 1638 points, the range Qt and Windows both draw
    top().chr.fontSize = std::clamp(tok.hasParam ? tok.param : 24, 2, 3276);
}

void RtfReader::cwForeground(const RtfToken &tok, int)
{
    top().chr.fg = std::clamp(tok.param, 0, 4096);
}

void RtfReader::cwBackground(const RtfToken &tok, int)
{
    top().chr.bg = std::clamp(tok.param, 0, 4096);
}

void RtfReader::cwVAlign(const RtfToken &, int v)
{
    top().chr.vAlign = v;
}

void RtfReader::cwPnText(const RtfToken &, int)
{
    // The marker as text, for readers without \pn; the list we build from \pn draws its own.
    top().dest = Dest::Skip;
}

void RtfReader::cwListText(const RtfToken &, int)
{
    Group &g = top();
    if (g.dest != Dest::Text)
        return;
    g.dest = Dest::ListText;
    g.opensListText = true;
    m_listText.clear();
    m_listTextPending = false;
}

void RtfReader::cwPn(const RtfToken &, int)
{
    Group &g = top();
    if (g.dest != Dest::Text)
        return;
    g.dest = Dest::PnProps;
    g.opensPn = true;
    m_pnKind = ListKind::Decimal;
}

void RtfReader::cwPnKind(const RtfToken &, int kind)
{
    if (top().dest == Dest::PnProps)
        m_pnKind = ListKind(kind);
}

void RtfReader::cwField(const RtfToken &, int)
{
    m_fieldInst.clear();
}

void RtfReader::cwFieldInst(const RtfToken &, int)
{
    Group &g = top();
    if (g.dest != Dest::Text)
        return;
    g.dest = Dest::FieldInst;
    m_fieldInst.clear();
}

void RtfReader::cwFieldResult(const RtfToken &, int)
{
    static const QRegularExpression link(QStringLiteral("^\\s*HYPERLINK\\s+(?:\\\\l\\s+)?\"([^\"]*)\""));
    const QRegularExpressionMatch m = link.match(m_fieldInst);
    m_fieldInst.clear();
    if (!m.hasMatch() || m_hrefs.size() >= 100000)
        return;
    m_hrefs.append(m.captured(1));
    top().chr.href = int(m_hrefs.size() - 1);
}

void RtfReader::cwFootnote(const RtfToken &, int)
{
    Group &g = top();
    if (g.dest != Dest::Text || m_footnotes.size() >= 10000) {
        g.dest = Dest::Skip;
        return;
    }
    flushRun();
    g.dest = Dest::Footnote;
    m_footnotes.append(QString());
}

void RtfReader::cwFootnoteMark(const RtfToken &, int)
{
    // In the text, the number of the footnote that follows; in the footnote itself the number
    // is put in front of it at the end of the note.
    if (top().dest == Dest::Text)
        addChars(QString::number(m_footnotes.size() + 1));
}

void RtfReader::cwPict(const RtfToken &, int)
{
    Group &g = top();
    if (g.dest != Dest::Text) {
        g.dest = Dest::Skip;
        return;
    }
    g.dest = Dest::Picture;
    g.opensPicture = true;
    m_pict = PictureData();
    m_hexNibble = -1;
}

void RtfReader::cwPictBlip(const RtfToken &tok, int blip)
{
    if (top().dest != Dest::Picture)
        return;
    m_pict.blip = BlipType(blip);
    m_pict.blipParam = tok.hasParam ? tok.param : 0;
}

void RtfReader::cwPictNumber(const RtfToken &tok, int which)
{
    if (top().dest != Dest::Picture)
        return;
    const int v = std::clamp(tok.param, 0, 1 << 24);
    switch (which) {
    case PicW: m_pict.picW = v; break;
    case PicH: m_pict.picH = v; break;
    case GoalW: m_pict.goalW = v; break;
    case GoalH: m_pict.goalH = v; break;
    case ScaleX: m_pict.scaleX = v; break;
    case ScaleY: m_pict.scaleY = v; break;
    case Bpp: m_pict.bitsPerPixel = v; break;
    case WidthBytes: m_pict.widthBytes = v; break;
    default: break;
    }
}

void RtfReader::cwInTable(const RtfToken &, int)
{
    // Text collected so far belongs before the table, not in its first cell.
    if (!top().para.inTable)
        flushRun();
    top().para.inTable = true;
}

void RtfReader::cwTableDepth(const RtfToken &tok, int)
{
    top().para.tableDepth = std::clamp(tok.param, 0, 64);
}

void RtfReader::cwRowDefaults(const RtfToken &, int)
{
    // A table inside a cell is kept as text of that cell; its rows do not define ours.
    if (top().para.tableDepth <= 1)
        m_cellX.clear();
}

void RtfReader::cwCellX(const RtfToken &tok, int)
{
    if (top().para.tableDepth <= 1 && m_cellX.size() < 64)
        m_cellX.push_back(boundTwips(tok.param));
}

} // namespace rtf
