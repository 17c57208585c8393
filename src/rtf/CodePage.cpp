#include "CodePage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

namespace rtf {

int codePageOfCharset(int charset)
{
    switch (charset) {
    case 0: return 1252;
    case 1: return 0; // default charset: the document's code page
    case 2: return 1252; // symbol fonts: bytes are glyph indices, shown through the font
    case 77: return 10000;
    case 78: return 10001;
    case 79: return 10003;
    case 80: return 10008;
    case 81: return 10002;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
    }
}

int charsetOfCodePage(int codePage)
{
    switch (codePage) {
    case 932: return 128;
    case 936: return 134;
    case 949: return 129;
    case 950: return 136;
    case 1250: return 238;
    case 1251: return 204;
    case 1253: return 161;
    case 1254: return 162;
    case 1255: return 177;
    case 1256: return 178;
    case 1257: return 186;
    case 1258: return 163;
    case 874: return 222;
    case 10000: return 77;
    case 10001: return 78;
    case 10002: return 81;
    case 10003: return 79;
    case 10008: return 80;
    default: return 0;
    }
}

void CodePageCodec::Closer::operator()(UConverter *c) const
{
    ucnv_close(c);
}

static UConverter *openFor(int codePage)
{
    if (codePage <= 0 || codePage > 99999)
        return nullptr;
    QByteArray names[4];
    if (codePage == 65001) {
        names[0] = "UTF-8";
    } else if (codePage == 936) {
        names[0] = "GBK"; // windows-936, with the euro sign at 0x80
    } else if (codePage >= 10000 && codePage <= 10008) {
        // ICU names the Mac code pages after the encodings they extend.
        switch (codePage) {
        case 10000: names[0] = "macintosh"; break;
        case 10001: names[0] = "Shift_JIS"; break;
        case 10002: names[0] = "Big5"; break;
        case 10003: names[0] = "EUC-KR"; break;
        case 10008: names[0] = "GB2312"; break;
        default: break;
        }
    } else {
        names[0] = "windows-" + QByteArray::number(codePage);
        names[1] = "cp" + QByteArray::number(codePage);
        names[2] = "ibm-" + QByteArray::number(codePage);
    }
    for (const QByteArray &name : names) {
        if (name.isEmpty())
            continue;
        UErrorCode err = U_ZERO_ERROR;
        UConverter *c = ucnv_open(name.constData(), &err);
        if (U_SUCCESS(err) && c)
            return c;
        if (c)
            ucnv_close(c);
    }
    return nullptr;
}

CodePageCodec::CodePageCodec(int codePage)
{
    UConverter *c = openFor(codePage);
    if (c) {
        m_codePage = codePage;
    } else {
        m_codePage = 1252;
        c = openFor(1252);
    }
    m_conv.reset(c);
    if (m_conv) {
        UErrorCode err = U_ZERO_ERROR;
        // A byte the code page does not define shows as U+FFFD rather than vanishing.
        ucnv_setToUCallBack(m_conv.get(), UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &err);
        err = U_ZERO_ERROR;
        ucnv_setFromUCallBack(m_conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    }
}

CodePageCodec::~CodePageCodec() = default;

static void convert(UConverter *conv, const char *bytes, qsizetype size, QString &out, bool flush)
{
    const char *src = bytes;
    const char *srcEnd = bytes + size;
    for (;;) {
        const qsizetype old = out.size();
        // Each input byte gives at most two UTF-16 units; the pending bytes a few more.
        const qsizetype room = (srcEnd - src) * 2 + 8;
        out.resize(old + room);
        auto *target = reinterpret_cast<UChar *>(out.data() + old);
        UChar *const targetStart = target;
        UErrorCode err = U_ZERO_ERROR;
        ucnv_toUnicode(conv, &target, targetStart + room, &src, srcEnd, nullptr, flush, &err);
        out.resize(old + (target - targetStart));
        if (err != U_BUFFER_OVERFLOW_ERROR)
            break;
    }
}

void CodePageCodec::decode(const char *bytes, qsizetype size, QString &out)
{
    if (!m_conv) {
        out += QString::fromLatin1(bytes, size);
        return;
    }
    if (!hasPending()) {
        // Fast path for the ASCII runs that make up most bodies.
        qsizetype i = 0;
        while (i < size && static_cast<unsigned char>(bytes[i]) < 0x80)
            ++i;
        if (i == size && m_codePage != 65001) {
            out += QLatin1StringView(bytes, size);
            return;
        }
    }
    convert(m_conv.get(), bytes, size, out, false);
}

void CodePageCodec::flush(QString &out)
{
    if (m_conv && hasPending())
        convert(m_conv.get(), nullptr, 0, out, true);
}

bool CodePageCodec::hasPending() const
{
    if (!m_conv)
        return false;
    UErrorCode err = U_ZERO_ERROR;
    const int n = ucnv_toUCountPending(m_conv.get(), &err);
    return U_SUCCESS(err) && n > 0;
}

QByteArray CodePageCodec::encodeChar(char32_t ch)
{
    if (!m_conv)
        return {};
    UChar units[2];
    int n = 0;
    if (ch >= 0x10000) {
        units[0] = UChar(0xD800 + ((ch - 0x10000) >> 10));
        units[1] = UChar(0xDC00 + ((ch - 0x10000) & 0x3FF));
        n = 2;
    } else {
        units[0] = UChar(ch);
        n = 1;
    }
    char buf[16];
    UErrorCode err = U_ZERO_ERROR;
    ucnv_resetFromUnicode(m_conv.get());
    const int len = ucnv_fromUChars(m_conv.get(), buf, sizeof buf, units, n, &err);
    ucnv_resetFromUnicode(m_conv.get());
    if (U_FAILURE(err) || len <= 0)
        return {};
    return QByteArray(buf, len);
}

} // namespace rtf
