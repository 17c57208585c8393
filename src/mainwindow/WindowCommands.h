#pragma once

#include "mainwindow/CommandTable.h"

#include <QString>
#include <functional>
#include <span>

class frmmain;
class QTreeWidgetItem;
struct CurrentNote;

// The commands that act on the group tree and the note list (frmmain_commands.cpp) and export,
// print and import (frmmain_exchange.cpp). A friend of the window: they reach its panes and what
// is selected without either being public. Each takes the window it acts in.
class WindowCommands
{
public:
    // The command rows with what each one runs (CommandTable.cpp).
    static std::span<const commands::CommandRow> rows();

    // The group node the commands act on: the last clicked node, unless it is the root or gone.
    static QTreeWidgetItem *selectedGroupNode(const frmmain &w);
    // The 1-based list item the note commands act on, 0 when there is none.
    static int selectedNoteIndex(const frmmain &w);
    // The tree node of the group the commands act on; 0 when none is selected.
    static int groupNodeIndex(const frmmain &w);

    static void addGroup(frmmain &w);
    static void renameGroup(frmmain &w);
    static void deleteGroup(frmmain &w);
    static void addNote(frmmain &w);
    static void editNote(frmmain &w);
    static void deleteNote(frmmain &w);
    static void moveNote(frmmain &w);

    static void exportNote(frmmain &w);
    static void exportGroup(frmmain &w);
    static void exportNotebook(frmmain &w);
    static void printNote(frmmain &w);
    static void printGroup(frmmain &w);
    static void importFiles(frmmain &w);
    static void importFolder(frmmain &w);

private:
    static bool rootSelected(const frmmain &w);
    static void showError(frmmain &w, const QString &text);
    static void storeFailed(frmmain &w, const QString &text);
    static bool askYes(frmmain &w, const QString &text);
    static void reloadNotes(frmmain &w, qint64 groupId);
    static void reloadGroups(frmmain &w);
    static QList<QPair<QString, QString>> treeNodes(const frmmain &w);
    static void relist(frmmain &w, qint64 noteId);
    static std::function<QString(const CurrentNote &)> saverOf(frmmain &w, const QString &failure,
                                                               std::function<int(const CurrentNote &)> write);
    static bool isGroupOfTree(const frmmain &w, qint64 id);
    static void renameGroupAsked(frmmain &w, QTreeWidgetItem *node);
};
