#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <optional>

// Plain-text files read into and written from a note body. Files written by older programs are in a
// legacy code page, mostly GB18030 (GBK) for our users; ours are UTF-8.
namespace exchange {

// Largest file read as a document (text, RTF, HTML, Markdown); a picture's bound is the one a
// note keeps (rtf::kMaxPictureBytes).
constexpr qint64 MaxDocumentBytes = 128 * 1024 * 1024;

// The whole file, or nothing with the reason in *error (a file that opens but fails while being
// read counts as unreadable too). Only a regular file (after following links) of at most maxBytes
// is read: a FIFO or a device is never even opened for reading, as it could block or never end.
std::optional<QByteArray> readWholeFile(const QString &path, QString *error,
                                        qint64 maxBytes = MaxDocumentBytes);

// ICU converter name of the legacy (ANSI) code page that a locale's users write plain text in:
// "GB18030" for mainland Chinese, "Big5" for Taiwan and Hong Kong, "windows-1252" when unknown.
QByteArray legacyCodePageName(const QLocale &locale);

// True when the bytes are well-formed UTF-8 (a byte-order mark is allowed).
bool looksLikeUtf8(const QByteArray &bytes);

// False for bytes that are plainly not text (NUL bytes outside a UTF-16 file).
bool isPlainText(const QByteArray &bytes);

// The text of a file that is text, or nothing with the reason in *why: NUL bytes outside UTF-16,
// or bytes that are neither UTF-16 (with its byte-order mark), UTF-8 nor GB18030.
std::optional<QString> decodeTextStrictly(const QByteArray &bytes, const QLocale &locale, QString *why);

// As decodeTextStrictly (a locale whose own code page is Big5, Shift_JIS or windows-949 has that
// tried before GB18030), but never fails: bytes that are not text are read as well as they can be
// (UTF-16 or UTF-8 with their faults, else the locale's legacy code page).
QString decodeTextFile(const QByteArray &bytes, const QLocale &locale);

// Decodes bytes with an ICU converter; bytes the converter cannot map become U+FFFD.
// An unknown converter name falls back to windows-1252.
QString decodeWith(const QByteArray &bytes, const QByteArray &converterName);

// Encodes with an ICU converter (used by tests to build legacy files).
QByteArray encodeWith(const QString &text, const QByteArray &converterName);

} // namespace exchange
