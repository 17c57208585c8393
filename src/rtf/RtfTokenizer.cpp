#include "RtfTokenizer.h"

#include <climits>

namespace rtf {

static bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

static bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

static int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

RtfTokenizer::RtfTokenizer(const QByteArray &bytes)
    : m_data(bytes.constData())
    , m_size(bytes.size())
{
}

bool RtfTokenizer::next(RtfToken &tok)
{
    // Line breaks in RTF source carry no meaning.
    while (m_pos < m_size && (m_data[m_pos] == '\r' || m_data[m_pos] == '\n'))
        ++m_pos;
    if (m_pos >= m_size) {
        tok.kind = RtfToken::End;
        return false;
    }
    const char c = m_data[m_pos];
    if (c == '{') {
        ++m_pos;
        tok.kind = RtfToken::GroupOpen;
        return true;
    }
    if (c == '}') {
        ++m_pos;
        tok.kind = RtfToken::GroupClose;
        return true;
    }
    if (c == '\\') {
        readControl(tok);
        return true;
    }
    const qsizetype start = m_pos;
    while (m_pos < m_size) {
        const char d = m_data[m_pos];
        if (d == '\\' || d == '{' || d == '}' || d == '\r' || d == '\n')
            break;
        ++m_pos;
    }
    tok.kind = RtfToken::Text;
    tok.data = m_data + start;
    tok.size = m_pos - start;
    return true;
}

void RtfTokenizer::readControl(RtfToken &tok)
{
    ++m_pos; // the backslash
    if (m_pos >= m_size) {
        tok.kind = RtfToken::End;
        return;
    }
    const char c = m_data[m_pos];
    if (!isLetter(c)) {
        ++m_pos;
        if (c == '\'') {
            int hi = m_pos < m_size ? hexValue(m_data[m_pos]) : -1;
            int lo = m_pos + 1 < m_size ? hexValue(m_data[m_pos + 1]) : -1;
            if (hi >= 0 && lo >= 0) {
                m_pos += 2;
                tok.kind = RtfToken::HexByte;
                tok.param = hi * 16 + lo;
                return;
            }
            // A damaged escape: drop it, keep what follows.
            tok.kind = RtfToken::ControlSymbol;
            tok.symbol = 0;
            return;
        }
        tok.kind = RtfToken::ControlSymbol;
        // A backslash before a line break is an old spelling of \par.
        tok.symbol = (c == '\r' || c == '\n') ? '\n' : c;
        return;
    }
    int len = 0;
    while (m_pos < m_size && isLetter(m_data[m_pos])) {
        if (len < 32)
            tok.word[len++] = m_data[m_pos];
        ++m_pos;
    }
    tok.word[len] = 0;
    tok.kind = RtfToken::ControlWord;
    tok.hasParam = false;
    tok.param = 0;
    bool negative = false;
    if (m_pos + 1 < m_size && m_data[m_pos] == '-' && isDigit(m_data[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    if (m_pos < m_size && isDigit(m_data[m_pos])) {
        long long value = 0;
        while (m_pos < m_size && isDigit(m_data[m_pos])) {
            if (value <= INT_MAX)
                value = value * 10 + (m_data[m_pos] - '0');
            ++m_pos;
        }
        if (negative)
            value = -value;
        if (value > INT_MAX)
            value = INT_MAX;
        if (value < INT_MIN)
            value = INT_MIN;
        tok.hasParam = true;
        tok.param = int(value);
    }
    if (m_pos < m_size && m_data[m_pos] == ' ')
        ++m_pos;
    if (len == 3 && tok.word[0] == 'b' && tok.word[1] == 'i' && tok.word[2] == 'n' && tok.hasParam) {
        const qsizetype n = tok.param < 0 ? 0 : qMin<qsizetype>(tok.param, m_size - m_pos);
        tok.kind = RtfToken::Binary;
        tok.data = m_data + m_pos;
        tok.size = n;
        m_pos += n;
    }
}

} // namespace rtf
