#pragma once

// The tests' way into the main window. Controls are found by their object names, menu items by
// theirs, as a user finds them by what they are; the probe reads, as the window's friend, only
// what no control shows: what is selected, the skin, the window state the tray restores.

#include "controls/Tray.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/SearchBox.h"
#include "mainwindow/SkinPane.h"
#include "mainwindow/frmmain.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTextEdit>
#include <QToolBar>

class WindowProbe
{
public:
    explicit WindowProbe(const frmmain &w)
        : m_w(w)
    {
    }

    // ---- controls, by object name ----
    GroupTree *groupTree() const { return child<GroupTree>("groupTree"); }
    NoteListView *noteList() const { return child<NoteListView>("noteList"); }
    QTextEdit *preview() const { return child<QTextEdit>("preview"); }
    SearchBox *searchBox() const { return child<SearchBox>("searchBox"); }
    QToolBar *toolbar() const { return child<QToolBar>("toolbar"); }
    SkinPane *treeTitle() const { return child<SkinPane>("treeTitle"); }
    SkinPane *listTitle() const { return child<SkinPane>("listTitle"); }
    SkinPane *previewTitle() const { return child<SkinPane>("previewTitle"); }
    SkinPane *statusStrip() const { return child<SkinPane>("statusStrip"); }
    QLabel *treeCaption() const { return child<QLabel>("treeCaption"); }
    QLabel *groupCaption() const { return child<QLabel>("groupCaption"); }
    QLabel *noteCaption() const { return child<QLabel>("noteCaption"); }
    QLabel *noteIcon() const { return child<QLabel>("noteIcon"); }
    QLabel *noteCount() const { return child<QLabel>("noteCount"); }
    Tray *tray() const { return m_w.findChild<Tray *>(); }
    QAction *item(const char *name) const { return child<QAction>(name); }
    QMenu *menu(const char *name) const { return child<QMenu>(name); }

    // ---- what no control shows ----
    int nodeIndex() const { return m_w.m_nodeIndex; }
    int itemIndex() const { return m_w.m_itemIndex; }
    qint64 noteId() const { return m_w.m_noteId; }
    qint64 groupId() const { return m_w.m_groupId; }
    int treeButton() const { return m_w.m_treeButton; }
    int lastWindowState() const { return m_w.m_lastWindowState; }
    bool firstActivatePending() const { return m_w.m_firstActivatePending; }
    int skin() const { return m_w.m_skin; }
    const QBrush &skinBrush() const { return m_w.m_skinBrush; }
    const QPixmap &texture(bool cool) const { return cool ? m_w.m_coolTexture : m_w.m_plainTexture; }
    const QPixmap &grip(bool cool) const { return cool ? m_w.m_coolGrip : m_w.m_plainGrip; }
    const QPixmap &iconStrip() const { return m_w.m_iconStrip; }
    const QList<QIcon> &noteIcons() const { return m_w.m_noteIcons; }
    const QList<QPixmap> &sortImages() const { return m_w.m_sortImages; }
    int layoutPasses() const { return m_w.m_layoutPasses; }
    // The test a new or renamed group's name must pass.
    bool groupNameExists(const QString &name) const { return m_w.GroupNameExists(name); }

private:
    template <typename T> T *child(const char *name) const { return m_w.findChild<T *>(QString::fromLatin1(name)); }

    const frmmain &m_w;
};

inline WindowProbe probe(const frmmain &w)
{
    return WindowProbe(w);
}
