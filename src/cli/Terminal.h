#pragma once

#include <QString>

// Reading a password for quillbook-cli.
namespace Terminal {

// Prompts on the controlling terminal and reads one line with echo off. False when there is no
// terminal to ask on.
bool readHidden(const QString &prompt, QString *out);

// One line from standard input, without its line break. False at end of input before any text.
bool readLine(QString *out);

} // namespace Terminal
