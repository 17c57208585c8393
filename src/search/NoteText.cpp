#include "search/NoteText.h"

#include "rtf/Rtf.h"

#include <QTextDocument>

namespace NoteText {

QString visibleText(const QString &body)
{
    QTextDocument doc;
    rtf::readInto(body, &doc);
    return rtf::plainText(&doc);
}

} // namespace NoteText
