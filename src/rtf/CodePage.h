#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

struct UConverter;

namespace rtf {

// Windows code page of an RTF \fcharsetN value; 0 when the charset says "use the document's".
int codePageOfCharset(int charset);
// The \fcharsetN value a writer declares for text in a code page.
int charsetOfCodePage(int codePage);

// One ICU converter for a Windows code page. Decoding is streamed: a lead byte at the end of one
// chunk waits inside the converter for its trail byte in the next chunk, so a two-byte character
// written as \'hh pairs is never split by a group or a format change in between.
class CodePageCodec
{
public:
    // Unknown or unsupported code pages fall back to 1252.
    explicit CodePageCodec(int codePage);
    ~CodePageCodec();
    CodePageCodec(const CodePageCodec &) = delete;
    CodePageCodec &operator=(const CodePageCodec &) = delete;

    int codePage() const { return m_codePage; }

    // Appends the decoded text of bytes to out; an incomplete trailing sequence stays pending.
    void decode(const char *bytes, qsizetype size, QString &out);
    // Ends any pending incomplete sequence (it becomes a replacement character).
    void flush(QString &out);
    bool hasPending() const;

    // Bytes of one character in this code page, or empty when it has none.
    QByteArray encodeChar(char32_t ch);

private:
    struct Closer { void operator()(UConverter *c) const; };
    std::unique_ptr<UConverter, Closer> m_conv;
    int m_codePage = 1252;
};

} // namespace rtf
