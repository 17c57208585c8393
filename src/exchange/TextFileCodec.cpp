#include "TextFileCodec.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <memory>
#include <unicode/ucnv.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace exchange {

namespace {

QString openFailure(int code)
{
    switch (code) {
    case ENOENT: return QStringLiteral("文件不存在");
    case EACCES:
    case EPERM: return QStringLiteral("没有读取权限");
    case EISDIR: return QStringLiteral("是文件夹");
    default: return QString::fromLocal8Bit(std::strerror(code));
    }
}

QString tooBig(qint64 maxBytes)
{
    return QStringLiteral("文件太大（超过 %1 MB）").arg(maxBytes / (1024 * 1024));
}

} // namespace

std::optional<QByteArray> readWholeFile(const QString &path, QString *error, qint64 maxBytes)
{
    // Opened without waiting (a FIFO would block the open itself) and checked on the descriptor, so
    // a file swapped for a device after a check by name is refused all the same.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = openFailure(errno);
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *error = S_ISDIR(st.st_mode) ? openFailure(EISDIR) : QStringLiteral("不是普通文件");
        return std::nullopt;
    }
    if (st.st_size > maxBytes) {
        ::close(fd);
        *error = tooBig(maxBytes);
        return std::nullopt;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *error = file.errorString();
        return std::nullopt;
    }
    // Room for the size fstat saw (not for the bound: QFile::read reserves what it is asked for);
    // a file that grew since is read on, never past the bound.
    QByteArray bytes = file.read(st.st_size + 1);
    while (bytes.size() <= maxBytes && file.error() == QFileDevice::NoError) {
        const QByteArray more = file.read(qMin<qint64>(64 * 1024, maxBytes + 1 - bytes.size()));
        if (more.isEmpty())
            break;
        bytes += more;
    }
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return std::nullopt;
    }
    if (bytes.size() > maxBytes) {
        *error = tooBig(maxBytes);
        return std::nullopt;
    }
    return bytes;
}

namespace {

struct ConverterCloser
{
    void operator()(UConverter *c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter openConverter(const QByteArray &name)
{
    UErrorCode status = U_ZERO_ERROR;
    Converter conv(ucnv_open(name.constData(), &status));
    if (U_FAILURE(status) || !conv) {
        status = U_ZERO_ERROR;
        conv.reset(ucnv_open("windows-1252", &status));
    }
    return conv;
}

} // namespace

QByteArray legacyCodePageName(const QLocale &locale)
{
    switch (locale.language()) {
    case QLocale::Chinese:
        if (locale.script() == QLocale::TraditionalChineseScript
            || locale.territory() == QLocale::Taiwan || locale.territory() == QLocale::HongKong
            || locale.territory() == QLocale::Macao)
            return "Big5";
        return "GB18030";
    case QLocale::Japanese: return "Shift_JIS";
    case QLocale::Korean: return "windows-949";
    case QLocale::Thai: return "windows-874";
    case QLocale::Vietnamese: return "windows-1258";
    case QLocale::Greek: return "windows-1253";
    case QLocale::Turkish:
    case QLocale::Azerbaijani: return "windows-1254";
    case QLocale::Hebrew: return "windows-1255";
    case QLocale::Arabic:
    case QLocale::Persian:
    case QLocale::Urdu: return "windows-1256";
    case QLocale::Estonian:
    case QLocale::Latvian:
    case QLocale::Lithuanian: return "windows-1257";
    case QLocale::Russian:
    case QLocale::Ukrainian:
    case QLocale::Belarusian:
    case QLocale::Bulgarian:
    case QLocale::Macedonian:
    case QLocale::Serbian:
    case QLocale::Kazakh:
    case QLocale::Mongolian: return "windows-1251";
    case QLocale::Czech:
    case QLocale::Slovak:
    case QLocale::Polish:
    case QLocale::Hungarian:
    case QLocale::Slovenian:
    case QLocale::Croatian:
    case QLocale::Romanian:
    case QLocale::Albanian: return "windows-1250";
    default: return "windows-1252";
    }
}

bool looksLikeUtf8(const QByteArray &bytes)
{
    QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = dec.decode(bytes);
    return !dec.hasError();
}

QString decodeWith(const QByteArray &bytes, const QByteArray &converterName)
{
    if (bytes.isEmpty())
        return QString();
    Converter conv = openConverter(converterName);
    if (!conv)
        return QString::fromLatin1(bytes);
    // At most one UTF-16 unit per input byte plus a surrogate pair of slack for every converter ICU has.
    QString out(bytes.size() + 2, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(conv.get(), reinterpret_cast<UChar *>(out.data()), int32_t(out.size()),
                                    bytes.constData(), int32_t(bytes.size()), &status);
    if (U_FAILURE(status))
        return QString::fromLatin1(bytes);
    out.truncate(n);
    return out;
}

namespace {

// The text only when every byte is a well-formed sequence of the code page.
std::optional<QString> decodeStrictly(const QByteArray &bytes, const char *converterName)
{
    UErrorCode status = U_ZERO_ERROR;
    Converter conv(ucnv_open(converterName, &status));
    if (U_FAILURE(status) || !conv)
        return std::nullopt;
    ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    QString out(bytes.size() + 2, Qt::Uninitialized);
    const int32_t n = ucnv_toUChars(conv.get(), reinterpret_cast<UChar *>(out.data()), int32_t(out.size()),
                                    bytes.constData(), int32_t(bytes.size()), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    out.truncate(n);
    return out;
}

// Code pages in which Chinese, Japanese and Korean users write: their bytes often form valid
// GB18030 too, so a user of one of them gets their own code page first.
bool isEastAsianDoubleByte(const QByteArray &converterName)
{
    return converterName == "Big5" || converterName == "Shift_JIS" || converterName == "windows-949";
}

} // namespace

QByteArray encodeWith(const QString &text, const QByteArray &converterName)
{
    if (text.isEmpty())
        return QByteArray();
    Converter conv = openConverter(converterName);
    if (!conv)
        return text.toLatin1();
    QByteArray out(text.size() * 4 + 8, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_fromUChars(conv.get(), out.data(), int32_t(out.size()),
                                      reinterpret_cast<const UChar *>(text.constData()), int32_t(text.size()),
                                      &status);
    if (U_FAILURE(status))
        return QByteArray();
    out.truncate(n);
    return out;
}

namespace {

bool hasUtf16Bom(const QByteArray &bytes)
{
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

} // namespace

bool isPlainText(const QByteArray &bytes)
{
    return hasUtf16Bom(bytes) || !bytes.contains('\0');
}

std::optional<QString> decodeTextStrictly(const QByteArray &bytes, const QLocale &locale, QString *why)
{
    static const QByteArray bom("\xEF\xBB\xBF");
    if (hasUtf16Bom(bytes)) {
        QStringDecoder dec(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                           QStringDecoder::Flag::Stateless);
        QString text = dec.decode(QByteArrayView(bytes).sliced(2));
        if (dec.hasError() || bytes.size() % 2 != 0) {
            *why = QStringLiteral("不是有效的 UTF-16 文本");
            return std::nullopt;
        }
        return text;
    }
    if (bytes.contains('\0')) {
        *why = QStringLiteral("含有空字节，不是文本文件");
        return std::nullopt;
    }
    if (bytes.startsWith(bom) || looksLikeUtf8(bytes))
        return QString::fromUtf8(bytes.startsWith(bom) ? QByteArrayView(bytes).sliced(bom.size()) : QByteArrayView(bytes));
    // Our users write Chinese: a file that reads as GB18030 is GB18030 whatever the system locale.
    const QByteArray own = legacyCodePageName(locale);
    const QByteArray first = isEastAsianDoubleByte(own) ? own : QByteArrayLiteral("GB18030");
    if (std::optional<QString> text = decodeStrictly(bytes, first.constData()))
        return text;
    *why = QStringLiteral("不是 UTF-8、UTF-16 或 GB18030 文本");
    return std::nullopt;
}

QString decodeTextFile(const QByteArray &bytes, const QLocale &locale)
{
    QString why;
    if (std::optional<QString> text = decodeTextStrictly(bytes, locale, &why))
        return *text;
    if (hasUtf16Bom(bytes)) {
        QStringDecoder dec(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        return dec.decode(QByteArrayView(bytes).sliced(2));
    }
    if (looksLikeUtf8(bytes))
        return QString::fromUtf8(bytes);
    return decodeWith(bytes, legacyCodePageName(locale));
}

} // namespace exchange
