#pragma once

#include <QString>

// Modern Chinese text for benchmarks: the Simplified Chinese manual pages installed under
// /usr/share/man/zh_CN (Debian's manpages-zh holds the most), without their troff markup.
namespace ManText {

// The text of every page, one after another; "" when none is installed.
QString load(const QString &folder = QStringLiteral("/usr/share/man/zh_CN"));

} // namespace ManText
