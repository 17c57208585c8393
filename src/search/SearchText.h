#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>

#include <string>
#include <vector>

// The matching rules of search, shared by the index, the queries and the highlighting.
// Text is compared in a folded form: full-width and half-width forms become one form, Latin
// letters are case-folded, everything else stays as it is. Folding maps each code point to one
// code point of the same UTF-16 length, so positions in folded text are positions in the
// original text.
namespace SearchText {

QString fold(QStringView text);

// The query's terms, folded: split at blanks (space, U+3000); a part in double quotes keeps its
// blanks. Empty terms are dropped.
QStringList terms(const QString &query);

// The index tokens of folded text: every run of one, two and three characters, as numbers
// (sort and drop repeats before spelling them), and the spelling of one: hex digits that any
// tokenizer keeps whole, the same as termGrams gives.
void addGrams(QStringView folded, std::vector<quint64> &out);
void appendGram(std::string &out, quint64 gram);
// The tokens that every occurrence of a folded term produces: the term itself when it is one to
// three characters long (exact), else its three-character runs (a superset to be checked).
std::vector<std::string> termGrams(QStringView term);
// Terms of four or more characters: the index only narrows them down.
bool needsCheck(QStringView term);

struct Range
{
    qsizetype start = 0;
    qsizetype length = 0;
    bool operator==(const Range &) const = default;
};
// Every occurrence of every term in text (positions in text as given), sorted, overlaps merged.
// For highlighting: pass the preview's QTextDocument::toPlainText().
QList<Range> hits(const QString &text, const QStringList &terms);

} // namespace SearchText
