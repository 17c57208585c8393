#pragma once

#include <QByteArray>

namespace rtf {

struct RtfToken
{
    enum Kind {
        End,
        GroupOpen,
        GroupClose,
        ControlWord,   // word, hasParam, param
        ControlSymbol, // symbol
        HexByte,       // param holds the byte
        Text,          // data/size: a run of literal bytes, no CR/LF
        Binary,        // data/size: the bytes of \binN
    };
    Kind kind = End;
    const char *data = nullptr;
    qsizetype size = 0;
    char word[33] = {};
    bool hasParam = false;
    int param = 0;
    char symbol = 0;
};

// Splits RTF bytes into tokens without copying them. Numbers are clamped to the int range, control
// words to 32 letters, and \binN to the bytes that are really there, so no input makes it misbehave.
class RtfTokenizer
{
public:
    explicit RtfTokenizer(const QByteArray &bytes);

    // Fills tok with the next token; returns false at the end of input.
    bool next(RtfToken &tok);
    qsizetype position() const { return m_pos; }

private:
    void readControl(RtfToken &tok);

    const char *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

} // namespace rtf
