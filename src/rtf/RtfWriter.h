#pragma once

#include "CodePage.h"
#include "RtfReader.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QStringList>

#include <unordered_map>

class QTextBlock;
class QTextDocument;
class QTextFragment;
class QTextFrame;
class QTextImageFormat;
class QTextTable;

namespace rtf {

// Writes a QTextDocument as RTF in one walk over it. The body is written first while fonts and
// colours are collected, then the header with their tables goes in front of it.
class RtfWriter
{
public:
    explicit RtfWriter(const QTextDocument *doc);
    QByteArray write();

private:
    void writeFrame(const QTextFrame *frame);
    void writeTable(const QTextTable *table);
    void writeBlock(const QTextBlock &block, bool inTable);
    void writeParagraphStart(const QTextBlock &block, bool inTable);
    void writeFragment(const QTextFragment &fragment);
    void writeCharFormat(const CharState &c);
    void writeText(QStringView text);
    void writePicture(const QTextImageFormat &format);
    QByteArray header();

    CharState charState(const QTextCharFormat &f);
    int fontIndex(const QString &family);
    int colorIndex(const QColor &color);
    QByteArray fallbackBytes(char32_t ch);

    void word(const char *w);
    void word(const char *w, int n);
    void literal(char c);
    void newline();
    void symbol(const char *s);

    const QTextDocument *m_doc;
    QByteArray m_out;
    int m_codePage;
    CodePageCodec m_codec;
    std::unordered_map<char32_t, QByteArray> m_fallbacks;
    QStringList m_fonts;
    bool m_symbolFont = false;
    QList<QColor> m_colors;
    double m_defaultPointSize = 12;
    bool m_needSpace = false;
    int m_uc = 1;
    CharState m_emitted;
    ParaState m_para;
    const void *m_paraList = nullptr;
    bool m_paraValid = false;
    QList<QString> m_hrefs;
};

} // namespace rtf
