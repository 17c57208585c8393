#pragma once

#include <QTextFrame>
#include <QTextTable>

namespace rtf {

// The tables and blocks of a frame in document order; frames that are not tables are walked in
// place. Every writer and reader of a document's text goes through here.
template <typename OnTable, typename OnBlock>
void walkFrame(const QTextFrame *frame, const OnTable &onTable, const OnBlock &onBlock)
{
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame *child = it.currentFrame()) {
            if (const auto *table = qobject_cast<const QTextTable *>(child))
                onTable(table);
            else
                walkFrame(child, onTable, onBlock);
        } else {
            onBlock(it.currentBlock());
        }
    }
}

} // namespace rtf
