#pragma once

#include "util/NoteDate.h"

#include <QString>
#include <QtGlobal>

// What Groups::load fills: the main window implements it over its tree, tests over vectors.
class GroupSink
{
public:
    virtual ~GroupSink() = default;
    virtual void clear() = 0;
    // parentKey is empty for the top-level root node, "M_TOP" for a group node.
    virtual void addNode(const QString &parentKey, const QString &key, const QString &text,
                         int image, int selectedImage) = 0;
};

// One row of the note list as Notes::list produces it. Colours are 0x00BBGGRR values.
struct NoteItem
{
    QString key;       // "k" + ID
    QString title;
    int icon = 0;      // large and small icon number (leading number of nIcon)
    NoteStamp added;
    NoteStamp updated;
    QString priority;
    qint32 color = 0;  // text colour of the title and of the two dates
    qint32 priorityColor = 0; // by priority name
    QString tag;       // nIcon as stored
    QString group;     // the group's name, where a list shows notes of several groups
};

// What Notes::list fills.
class NoteSink
{
public:
    virtual ~NoteSink() = default;
    virtual void clear() = 0;          // remove all items and switch the view's own sorting off
    virtual void addItem(const NoteItem &item) = 0;
};
