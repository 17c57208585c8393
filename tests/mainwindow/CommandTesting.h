#pragma once

// Answers for the command dialogs, a way to make the store fail on demand, and a few readers of
// what the window and the notebook hold.

#include "MainWindowHarness.h"
#include "WindowProbe.h"
#include "common/ChildLookup.h"

#include "dialogs/frmPws1.h"
#include "dialogs/frmmove.h"
#include "dialogs/frmrename.h"
#include "editor/frmAddNote.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListModel.h"
#include "mainwindow/NoteListView.h"
#include "store/Sinks.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTextEdit>
#include <QTreeWidgetItem>

#include <sqlite3.h>

#include <memory>

namespace CommandTesting {

using Script = ScriptedPrompter::DialogScript;

// Types name into the group-name dialog and presses OK; *shown gets what the box held first.
inline Script enterGroupName(const QString &name, QString *shown = nullptr)
{
    return [name, shown](QDialog *d) {
        auto *box = ChildLookup::child<QLineEdit>(*d, "txtname");
        if (shown)
            *shown = box->text();
        box->setText(name);
        qobject_cast<frmrename *>(d)->cmdOK_Click();
        return d->result();
    };
}

// Types the access password into the password prompt and presses OK.
inline Script typePassword(const QString &password)
{
    return [password](QDialog *d) {
        d->findChild<QLineEdit *>(QStringLiteral("txtPws"))->setText(password);
        qobject_cast<frmPws1 *>(d)->cmdOK_Click();
        return d->result();
    };
}

// Writes a title (and a plain body) in the editor and presses OK.
inline Script writeNote(const QString &title, const QString &body = {})
{
    return [title, body](QDialog *d) {
        ChildLookup::child<QLineEdit>(*d, "txtTitle")->setText(title);
        if (!body.isNull())
            ChildLookup::child<QTextEdit>(*d, "txtNote")->setPlainText(body);
        qobject_cast<frmAddNote *>(d)->cmdOK_Click();
        return d->result();
    };
}

// Picks a group in the move dialog and presses OK; *offered gets the groups it listed.
inline Script moveTo(const QString &group, QStringList *offered = nullptr)
{
    return [group, offered](QDialog *d) {
        auto *combo = ChildLookup::child<QComboBox>(*d, "cboMove");
        if (offered) {
            for (int i = 0; i < combo->count(); ++i)
                offered->append(combo->itemText(i));
        }
        combo->setCurrentIndex(combo->findText(group));
        qobject_cast<frmmove *>(d)->cmdOK_Click();
        return d->result();
    };
}

// The Cancel button.
inline Script cancel()
{
    return [](QDialog *d) {
        d->reject();
        return d->result();
    };
}

// The window frame's close box as the dialogs see it: they are gone without a word.
inline Script closeBox()
{
    return [](QDialog *) { return int(QDialog::Rejected); };
}

// Holds the notebook's write lock from another connection, so every write of the window's store
// fails (after its short busy wait) while this object lives.
class WriteLock
{
public:
    explicit WriteLock(const QString &path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        // The window's check for damage reads the whole file after an open: wait it out.
        sqlite3_busy_timeout(m_db, 10000);
        m_ok = sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~WriteLock()
    {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
    }
    WriteLock(const WriteLock &) = delete;
    WriteLock &operator=(const WriteLock &) = delete;
    bool ok() const { return m_ok; }

private:
    sqlite3 *m_db = nullptr;
    bool m_ok = false;
};

// Runs the command while, if locked, another connection holds the notebook's write lock, so every
// write it tries fails as on a busy file. False when the lock could not be taken.
template <typename Command>
bool runLocked(bool locked, const QString &path, Command command)
{
    std::unique_ptr<WriteLock> lock;
    if (locked) {
        lock = std::make_unique<WriteLock>(path);
        if (!lock->ok())
            return false;
    }
    command();
    return true;
}

// Node texts of the tree after the root.
inline QStringList groupNames(const frmmain &w)
{
    QStringList out;
    for (int i = 2; i <= probe(w).groupTree()->nodeCount(); ++i)
        out << probe(w).groupTree()->node(i)->text(0);
    return out;
}

inline QStringList titles(const frmmain &w)
{
    QStringList out;
    for (int i = 0; i < probe(w).noteList()->count(); ++i)
        out << probe(w).noteList()->model()->item(i).text;
    return out;
}

// What the notebook file itself holds, read through a store of its own.
struct GroupCollect : GroupSink
{
    QStringList names;
    void clear() override { names.clear(); }
    void addNode(const QString &, const QString &key, const QString &text, int, int) override
    {
        if (key != QLatin1String("M_TOP"))
            names << text;
    }
};

struct NoteCollect : NoteSink
{
    QStringList titles;
    void clear() override { titles.clear(); }
    void addItem(const NoteItem &item) override { titles << item.text; }
};

struct FileContents
{
    bool opened = false;
    QStringList groups;
    QStringList notes; // of every group, in the store's order
};

inline FileContents readNotebook(const QString &path)
{
    FileContents out;
    DBase db;
    db.DatabasePath = path;
    db.OpenDatabase();
    out.opened = db.DatabaseIsOpen;
    if (!out.opened)
        return out;
    GroupCollect g;
    db.LoadGroups(g);
    out.groups = g.names;
    NoteCollect n;
    db.LoadNotes(n, -1);
    out.notes = n.titles;
    db.CloseDatabase();
    return out;
}

} // namespace CommandTesting
