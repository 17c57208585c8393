#pragma once

class QTranslator;

// Qt's own texts (file, colour, font and message dialogs, "Unsupported image format") in
// Simplified Chinese, like the rest of the program, whatever the system's language. Loads them
// into translator and installs it; false when the translations are not installed.
bool installQtChineseTexts(QTranslator &translator);
