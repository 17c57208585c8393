#pragma once

#include "store/Sinks.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <vector>

// What search takes and gives; the matching rules live in SearchText.h.

// The visible text of a note body (RTF or plain), as the index keeps it: NoteText::visibleText,
// or a test's own (NoteIndex::attach).
using TextExtractor = std::function<QString(const QString &body)>;

// Called while the index is built: notes done so far of total.
using IndexProgress = std::function<void(qint64 done, qint64 total)>;

struct SearchOptions
{
    qint64 groupId = -1; // -1: the whole notebook
    int limit = 200;     // at most this many hits are returned; 0 or less: all
    // A term also finds its Traditional and its Simplified form ("发展" finds "發展" and back).
    bool traditionalSimplified = false;
};

struct SearchHit
{
    NoteItem item;      // as LoadNotes lists the note
    qint64 id = 0;
    qint64 groupId = 0;
    QString groupName;  // "" for a note whose group is gone
    int titleTerms = 0; // how many of the terms its title holds
};

struct SearchResult
{
    // Best first: more terms in the title, then the most recently updated, then the newest ID.
    std::vector<SearchHit> hits;
    qint64 total = 0;      // notes that match, before the limit
    qint64 unindexed = 0;  // notes still waiting for the index (BuildIndex); 0 = the answer is exact
    QStringList terms;     // every form of the folded terms, for SearchText::hits (highlighting)
};
