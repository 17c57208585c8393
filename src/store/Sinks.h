#pragma once

#include <QString>
#include <QtGlobal>

// What LoadGroups fills: the main window implements it over its tree, tests over vectors.
class GroupSink
{
public:
    virtual ~GroupSink() = default;
    virtual void clear() = 0;
    // parentKey is empty for the top-level root node, "M_TOP" for a group node.
    virtual void addNode(const QString &parentKey, const QString &key, const QString &text,
                         int image, int selectedImage) = 0;
};

// One row of the note list as LoadNotes produces it. Colours are 0x00BBGGRR values.
struct NoteItem
{
    QString key;       // "k" + ID
    QString text;      // nNoteTitle
    int icon = 0;      // large and small icon number (leading number of nIcon)
    QString sub1;      // nAddDate
    QString sub2;      // nLastUpdate
    QString sub3;      // nPriority
    qint32 color = 0;  // text colour of the item and of sub-items 1 and 2
    qint32 sub3Color = 0; // by priority name
    QString tag;       // nIcon as stored
    QString group;     // the group's name, where a list shows notes of several groups
};

// What LoadNotes fills.
class NoteSink
{
public:
    virtual ~NoteSink() = default;
    virtual void clear() = 0;          // remove all items and switch the view's own sorting off
    virtual void addItem(const NoteItem &item) = 0;
};
