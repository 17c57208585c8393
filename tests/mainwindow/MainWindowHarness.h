#pragma once

// Builds a real frmmain over a notebook in a temporary folder, with the settings store and the
// user's data folder redirected there and every dialog answered by a ScriptedPrompter.

#include "base/AppState.h"
#include "base/CurrentNote.h"
#include "common/ScriptedPrompter.h"
#include "mainwindow/frmmain.h"
#include "settings/Settings.h"
#include "base/CurrentNote.h"
#include "store/Groups.h"
#include "store/Notebook.h"
#include "store/Notes.h"

#include <QDir>
#include <QList>
#include <QMenu>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <utility>

struct NoteSpec
{
    QString title;
    QString body; // RTF or plain text
    qint32 color = 0;
    QString priority = QStringLiteral("一般");
    qint16 icon = 1;
    QString added = QStringLiteral("2026/1/1 10:00");
};

struct GroupSpec
{
    QString name;
    QList<NoteSpec> notes;
};

class MainWindowHarness
{
public:
    MainWindowHarness()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.filePath(QStringLiteral("config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
    }

    ~MainWindowHarness()
    {
        if (window)
            window->close();
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    // Writes a notebook; returns "" or the reason it could not.
    static QString makeNotebook(const QString &file, const QList<GroupSpec> &groups,
                                const QString &password = {})
    {
        Notebook db;
        if (!db.create(file))
            return db.lastError();
        db.open(file);
        if (!db.isOpen())
            return db.lastError();
        for (const GroupSpec &g : groups) {
            const std::optional<qint64> added = Groups(db).add(g.name);
            if (!added)
                return db.lastError();
            const qint64 gid = *added;
            for (const NoteSpec &n : g.notes) {
                CurrentNote note;
                note.NoteTitle = n.title;
                note.NoteBody = n.body;
                note.NoteColor = n.color;
                note.NotePriority = n.priority;
                note.NoteIcon = n.icon;
                note.NoteAddDate = n.added;
                note.NoteLastUpdate = n.added;
                if (!Notes(db).add(gid, note))
                    return db.lastError();
            }
        }
        db.setPasswordCost(NotebookHeader::Cost::lightest()); // the derivation's cost is not under test
        if (!password.isEmpty() && !db.writePassword(password))
            return db.lastError();
        db.close();
        return {};
    }

    // For a notebook the whole test program needs: failing to write it ends the program.
    static void mustMakeNotebook(const QString &file, const QList<GroupSpec> &groups,
                                 const QString &password = {})
    {
        const QString made = makeNotebook(file, groups, password);
        if (!made.isEmpty())
            qFatal("cannot write the test notebook: %s", qPrintable(made));
    }

    // Two groups with notes and an empty third one.
    static QList<GroupSpec> sampleGroups()
    {
        return {
            {QStringLiteral("工作"),
             {{QStringLiteral("会议记录"), QStringLiteral("{\\rtf1\\ansi 周一开会 \\b agenda\\b0}"), 255,
               QStringLiteral("重要"), 3, QStringLiteral("2026/3/2 09:15")},
              {QStringLiteral("Budget"), QStringLiteral("plain body text"), 0, QStringLiteral("一般"), 5,
               QStringLiteral("2026/1/5 14:00")},
              {QStringLiteral("alpha plan"), QString(), 0, QStringLiteral("私密"), 2,
               QStringLiteral("2026/2/1 08:30")}}},
            {QStringLiteral("生活"),
             {{QStringLiteral("购物清单"), QStringLiteral("牛奶 面包"), 32768, QStringLiteral("普通"), 7,
               QStringLiteral("2026/4/1 18:00")}}},
            {QStringLiteral("空组"), {}},
        };
    }

    frmmain &make(const QStringList &args = {})
    {
        window = std::make_unique<frmmain>(state, settings, db, prompter, args);
        window->setInstanceCheck([this] { return anotherInstance; });
        window->setTrayCheck([this] { return trayAvailable; });
        window->setPopupMenu([this](QMenu *menu, const QPoint &) { popups.append(menu->objectName()); });
        return *window;
    }

    // Construction, load and the first activation, as the program runs them.
    frmmain &start(const QStringList &args = {})
    {
        frmmain &w = make(args);
        loaded = w.Form_Load();
        if (loaded)
            w.Form_Activate();
        return w;
    }

    // The sample notebook written under fileName, the window started on it and shown; "" or what
    // went wrong.
    QString showOnSample(const QString &fileName)
    {
        const QString book = path(fileName);
        const QString made = makeNotebook(book, sampleGroups());
        if (!made.isEmpty())
            return made;
        frmmain &w = start({book});
        w.show();
        return QTest::qWaitForWindowExposed(&w) ? QString() : QStringLiteral("the window was never shown");
    }

    void writeSetting(const QString &key, const QString &value)
    {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quillbook"),
                    QStringLiteral("Quillbook"));
        s.setValue(QStringLiteral("Config/") + key, value);
    }
    QString readSetting(const QString &key)
    {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quillbook"),
                    QStringLiteral("Quillbook"));
        return s.value(QStringLiteral("Config/") + key).toString();
    }

    QTemporaryDir dir;
    AppState state;
    Settings settings;
    Notebook db;
    ScriptedPrompter prompter;
    std::unique_ptr<frmmain> window;
    QStringList popups; // object names of the pop-up menus shown
    bool anotherInstance = false;
    bool trayAvailable = true;
    bool loaded = false;
};
