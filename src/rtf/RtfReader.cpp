#include "RtfReader.h"

#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include <cstring>

namespace rtf {

namespace {
// Deeper groups are counted but share their parent's state, so nesting cannot exhaust memory.
constexpr int kMaxDepth = 4096;
constexpr int kMaxFootnoteChars = 1 << 16;
} // namespace

RtfReader::RtfReader(QTextDocument *doc)
    : m_doc(doc)
    , m_cursor(doc)
{
}

RtfReader::~RtfReader() = default;

void RtfReader::read(const QByteArray &rtf)
{
    m_groups.clear();
    m_groups.emplace_back();
    RtfTokenizer tokenizer(rtf);
    RtfToken tok;
    // One edit block: the document tells its layout and cursors about the change once, at the end.
    m_cursor.beginEditBlock();
    bool rootClosed = false;
    bool started = false;
    while (!rootClosed && tokenizer.next(tok)) {
        if (m_limit > 0 && (m_cut || m_used > m_limit)) {
            m_cut = true;
            break;
        }
        if (m_overflowSkipFrom > 0 && tok.kind != RtfToken::GroupOpen && tok.kind != RtfToken::GroupClose)
            continue;
        if (!started && tok.kind != RtfToken::GroupOpen)
            continue; // nothing before the opening brace (a byte-order mark, blanks) is text
        started = true;
        switch (tok.kind) {
        case RtfToken::GroupOpen:
            flushBytes();
            onGroupOpen();
            break;
        case RtfToken::GroupClose:
            flushBytes();
            if (m_groups.size() == 2 && m_overflowDepth == 0) {
                // What follows the document's closing brace is not part of it.
                finishDocument();
                rootClosed = true;
            }
            onGroupClose();
            break;
        case RtfToken::ControlWord:
            flushBytes();
            onControlWord(tok);
            break;
        case RtfToken::ControlSymbol:
            flushBytes();
            onControlSymbol(tok.symbol);
            break;
        case RtfToken::HexByte: {
            const char byte = char(tok.param);
            onBytes(&byte, 1);
            break;
        }
        case RtfToken::Text:
            onBytes(tok.data, tok.size);
            break;
        case RtfToken::Binary:
            flushBytes();
            onBinary(tok);
            break;
        case RtfToken::End:
            break;
        }
    }
    // A truncated body keeps what was read, in the state it was read in.
    finishDocument();
    m_overflowDepth = 0;
    m_overflowSkipFrom = 0;
    while (m_groups.size() > 1)
        onGroupClose();
    flushRun();
    m_cursor.endEditBlock();
    m_doc->setProperty("rtfCodePage", m_ansiCodePage);
}

void RtfReader::finishDocument()
{
    if (m_finished)
        return;
    m_finished = true;
    flushBytes();
    resolveListText();
    addChars(QStringView());
    flushRun();
    // A last paragraph mark starts no paragraph of its own.
    if (!m_blockPending)
        applyBlockFormat();
    m_blockPending = false;
    trimTable();
    appendFootnotes();
}

void RtfReader::onGroupOpen()
{
    m_skip = 0;
    if (m_groups.size() >= size_t(kMaxDepth)) {
        ++m_overflowDepth;
        return;
    }
    Group g = top();
    g.opensPicture = g.opensPn = g.opensListText = g.opensFontEntry = false;
    m_groups.push_back(g);
}

void RtfReader::onGroupClose()
{
    m_skip = 0;
    m_starNext = false;
    if (m_overflowDepth > 0) {
        if (m_overflowSkipFrom == m_overflowDepth)
            m_overflowSkipFrom = 0;
        --m_overflowDepth;
        return;
    }
    if (m_groups.size() <= 1)
        return; // a stray closing brace
    const Group closed = m_groups.back();
    if (closed.opensFontEntry)
        finishFontEntry();
    m_groups.pop_back();
    if (closed.opensPicture)
        insertPicture();
    if (closed.opensPn)
        top().para.list = m_pnKind;
    if (closed.opensListText) {
        m_listTextPending = true;
        m_listTextChar = top().chr;
    }
    if (closed.dest == Dest::FontTable && top().dest != Dest::FontTable)
        finishFontEntry();
}

void RtfReader::onControlWord(const RtfToken &tok)
{
    const bool star = m_starNext;
    m_starNext = false;
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    if (top().dest == Dest::Skip) {
        // Nothing inside a skipped destination has any effect, but the Unicode half of \upr.
        if (top().inUnicodePair && std::strcmp(tok.word, "ud") == 0)
            cwUnicodeDestination(tok, 0);
        return;
    }
    const Dest before = top().dest;
    const Word *w = lookup(tok.word);
    if (w)
        (this->*(w->fn))(tok, w->arg);
    else if (star)
        top().dest = Dest::Skip; // an unknown destination marked with \* goes with all it holds
    if (m_overflowDepth > 0 && top().dest != before) {
        // Beyond the depth we keep, groups share their parent's state: a destination there must
        // not change it. Its content is skipped until its group closes.
        top().dest = before;
        m_overflowSkipFrom = m_overflowDepth;
    }
}

void RtfReader::onControlSymbol(char symbol)
{
    if (symbol == '*') {
        m_starNext = true;
        return;
    }
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    switch (symbol) {
    case '\\':
    case '{':
    case '}': {
        const char c = symbol;
        onBytes(&c, 1);
        flushBytes();
        break;
    }
    case '~': addChars(u"\u00a0"); break;
    case '-': addChars(u"\u00ad"); break;
    case '_': addChars(u"\u2011"); break;
    case '\n': cwPar(RtfToken(), 0); break;
    case '\t': addChars(u"\t"); break;
    default: break;
    }
}

void RtfReader::onBytes(const char *data, qsizetype size)
{
    if (m_skip > 0) {
        const qsizetype n = qMin<qsizetype>(m_skip, size);
        m_skip -= int(n);
        data += n;
        size -= n;
        if (size == 0)
            return;
    }
    Group &g = top();
    switch (g.dest) {
    case Dest::Skip:
    case Dest::PnProps:
        return;
    case Dest::ColorTable:
        // Each ';' ends one entry; an entry without colour words is the automatic colour.
        for (qsizetype i = 0; i < size; ++i) {
            if (data[i] != ';')
                continue;
            if (m_colors.size() < 4096)
                m_colors.push_back(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
            m_red = m_green = m_blue = 0;
            m_colorSet = false;
        }
        return;
    case Dest::FontTable:
        for (qsizetype i = 0; i < size; ++i) {
            if (data[i] == ';')
                finishFontEntry();
            else if (m_fontNameBytes.size() < 256)
                m_fontNameBytes.append(data[i]);
        }
        return;
    case Dest::FieldInst:
        if (m_fieldInst.size() < 4096)
            m_fieldInst += QString::fromLatin1(data, size);
        return;
    case Dest::Picture:
        for (qsizetype i = 0; i < size; ++i) {
            const char c = data[i];
            int v = -1;
            if (c >= '0' && c <= '9')
                v = c - '0';
            else if (c >= 'a' && c <= 'f')
                v = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                v = c - 'A' + 10;
            if (v < 0)
                continue;
            if (m_hexNibble < 0) {
                m_hexNibble = v;
            } else {
                if (m_pict.bytes.size() < kMaxPictureBytes)
                    m_pict.bytes.append(char(m_hexNibble * 16 + v));
                m_hexNibble = -1;
            }
        }
        return;
    case Dest::Text:
    case Dest::ListText:
    case Dest::Footnote:
        break;
    }
    if (g.chr.hidden && g.dest == Dest::Text)
        return;
    const int cp = currentCodePage();
    if (!m_bytes.isEmpty() && (cp != m_bytesCodePage || !(g.chr == m_bytesChar)))
        flushBytes();
    if (m_bytes.isEmpty()) {
        m_bytesCodePage = cp;
        m_bytesChar = g.chr;
    }
    m_bytes.append(data, size);
}

void RtfReader::onBinary(const RtfToken &tok)
{
    if (top().dest == Dest::Picture) {
        const qsizetype room = kMaxPictureBytes - m_pict.bytes.size();
        m_pict.bytes.append(tok.data, qMin(room, tok.size));
    }
    // binary data anywhere else is skipped whole
    m_skip = 0;
}

CodePageCodec &RtfReader::codecFor(int codePage)
{
    auto it = m_codecs.find(codePage);
    if (it == m_codecs.end())
        it = m_codecs.insert(codePage, std::make_shared<CodePageCodec>(codePage));
    return *it.value();
}

int RtfReader::currentCodePage()
{
    const Group &g = m_groups.back();
    const int font = g.chr.font >= 0 ? g.chr.font : m_defaultFont;
    // Asked for every escaped byte: remember the answer for the last font.
    if (font == m_codePageFont && m_codePageValid)
        return m_codePageOfFont;
    const auto it = m_fonts.constFind(font);
    m_codePageOfFont = (it != m_fonts.constEnd() && it->codePage > 0) ? it->codePage : m_ansiCodePage;
    m_codePageFont = font;
    m_codePageValid = true;
    return m_codePageOfFont;
}

void RtfReader::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    CodePageCodec &codec = codecFor(m_bytesCodePage);
    QString text;
    if (m_activeCodec && m_activeCodec != &codec)
        m_activeCodec->flush(text);
    m_activeCodec = &codec;
    codec.decode(m_bytes.constData(), m_bytes.size(), text);
    m_bytes.clear();
    if (text.isEmpty())
        return;
    if (m_groups.back().dest == Dest::ListText) {
        if (m_listText.size() < 64)
            m_listText += text;
        return;
    }
    // Bytes are decoded in the format they were collected in.
    const CharState now = top().chr;
    top().chr = m_bytesChar;
    addText(text);
    top().chr = now;
}

void RtfReader::addText(QStringView text)
{
    if (text.isEmpty())
        return;
    Group &g = top();
    if (g.dest == Dest::ListText) {
        if (m_listText.size() < 64)
            m_listText += text;
        return;
    }
    if (g.dest == Dest::Footnote) {
        if (!g.chr.hidden && m_footnotes.last().size() < kMaxFootnoteChars)
            m_footnotes.last() += text;
        return;
    }
    if (g.dest != Dest::Text || g.chr.hidden)
        return;
    resolveListText();
    if (m_limit > 0) {
        // One run of text can be the whole body: take only what the limit leaves room for.
        const qint64 room = m_limit - m_used - m_run.size();
        if (room < text.size())
            m_cut = true;
        if (room <= 0)
            return;
        text = text.left(room);
    }
    if (!m_run.isEmpty() && !(g.chr == m_runChar))
        flushRun();
    if (m_run.isEmpty()) {
        beginContent();
        m_runChar = g.chr;
    }
    m_run += text;
}

void RtfReader::addChars(QStringView text)
{
    // A lead byte still waiting in the converter cannot be completed by these characters.
    if (m_activeCodec && m_activeCodec->hasPending()) {
        QString rest;
        m_activeCodec->flush(rest);
        const CharState now = top().chr;
        top().chr = m_bytesChar;
        addText(rest);
        top().chr = now;
    }
    addText(text);
}

void RtfReader::flushRun()
{
    if (m_run.isEmpty())
        return;
    m_cursor.insertText(m_run, charFormat(m_runChar));
    m_used += m_run.size();
    m_run.clear();
}

QTextCharFormat RtfReader::charFormat(const CharState &c)
{
    if (m_formatValid && c == m_formatChar)
        return m_format;
    QTextCharFormat f;
    if (c.bold)
        f.setFontWeight(QFont::Bold);
    if (c.italic)
        f.setFontItalic(true);
    if (c.underline)
        f.setFontUnderline(true);
    if (c.strike)
        f.setFontStrikeOut(true);
    f.setFontPointSize(c.fontSize / 2.0);
    const auto font = m_fonts.constFind(c.font >= 0 ? c.font : m_defaultFont);
    if (font != m_fonts.constEnd() && !font->name.isEmpty())
        f.setFontFamilies(QStringList{font->name});
    if (c.fg > 0 && size_t(c.fg) < m_colors.size() && m_colors[size_t(c.fg)].isValid())
        f.setForeground(m_colors[size_t(c.fg)]);
    if (c.bg > 0 && size_t(c.bg) < m_colors.size() && m_colors[size_t(c.bg)].isValid())
        f.setBackground(m_colors[size_t(c.bg)]);
    if (c.vAlign == 1)
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (c.vAlign == 2)
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (c.href >= 0 && c.href < m_hrefs.size()) {
        f.setAnchor(true);
        f.setAnchorHref(m_hrefs.at(c.href));
    }
    m_format = f;
    m_formatChar = c;
    m_formatValid = true;
    return f;
}

void RtfReader::resolveListText()
{
    if (!m_listTextPending)
        return;
    m_listTextPending = false;
    const QString text = m_listText.trimmed();
    m_listText.clear();
    if (text.isEmpty())
        return;
    if (top().para.list != ListKind::None)
        return; // the list itself draws the marker
    bool bullet = text.size() == 1 && !text.at(0).isLetterOrNumber();
    bullet = bullet || text == QLatin1String("o");
    if (bullet) {
        m_bulletPending = true;
        return;
    }
    // A number or letter as it was shown: keep it as text, so "10." stays "10.".
    const CharState now = top().chr;
    top().chr = m_listTextChar;
    addText(QString(text + QLatin1Char('\t')));
    top().chr = now;
}

void RtfReader::finishFontEntry()
{
    m_codePageValid = false;
    if (m_fontEntry >= 0) {
        Font &f = m_fonts[m_fontEntry];
        QByteArray name = m_fontNameBytes.trimmed();
        if (!name.isEmpty() && f.name.isEmpty()) {
            CodePageCodec codec(f.codePage > 0 ? f.codePage : m_ansiCodePage);
            codec.decode(name.constData(), name.size(), f.name);
            codec.flush(f.name);
        }
    }
    m_fontNameBytes.clear();
    m_fontEntry = -1;
}

} // namespace rtf
