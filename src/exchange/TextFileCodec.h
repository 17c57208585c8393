#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <optional>

// Plain-text files read into and written from a note body. Files written by older programs are in a
// legacy code page, mostly GB18030 (GBK) for our users; ours are UTF-8.
namespace exchange {

// The whole file, or nothing with the reason in *error (a file that opens but fails while being
// read counts as unreadable too).
std::optional<QByteArray> readWholeFile(const QString &path, QString *error);

// ICU converter name of the legacy (ANSI) code page that a locale's users write plain text in:
// "GB18030" for mainland Chinese, "Big5" for Taiwan and Hong Kong, "windows-1252" when unknown.
QByteArray legacyCodePageName(const QLocale &locale);

// True when the bytes are well-formed UTF-8 (a byte-order mark is allowed).
bool looksLikeUtf8(const QByteArray &bytes);

// False for bytes that are plainly not text (NUL bytes outside a UTF-16 file).
bool isPlainText(const QByteArray &bytes);

// UTF-16 with a byte-order mark, UTF-8 with or without a byte-order mark; anything else is GB18030
// when it is well-formed GB18030, else the locale's legacy code page. A locale whose own code page
// is Big5, Shift_JIS or windows-949 has that tried before GB18030.
QString decodeTextFile(const QByteArray &bytes, const QLocale &locale);

// Decodes bytes with an ICU converter; bytes the converter cannot map become U+FFFD.
// An unknown converter name falls back to windows-1252.
QString decodeWith(const QByteArray &bytes, const QByteArray &converterName);

// Encodes with an ICU converter (used by tests to build legacy files).
QByteArray encodeWith(const QString &text, const QByteArray &converterName);

} // namespace exchange
