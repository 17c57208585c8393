#pragma once

// Helpers shared by the store tests: sinks over vectors and raw access to a notebook file that
// bypasses Notebook, so a test can check what really is on disk.

#include "store/Import.h"
#include "store/Notebook.h"
#include "store/Notes.h"
#include "store/Sinks.h"

#include <QFile>
#include <QSet>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <memory>
#include <vector>

struct TreeNode
{
    QString parentKey, key, text;
    int image = 0, selectedImage = 0;
};

class VectorGroupSink : public GroupSink
{
public:
    std::vector<TreeNode> nodes;
    int clears = 0;
    void clear() override
    {
        nodes.clear();
        ++clears;
    }
    void addNode(const QString &parentKey, const QString &key, const QString &text, int image,
                 int selectedImage) override
    {
        nodes.push_back({parentKey, key, text, image, selectedImage});
    }
};

class VectorNoteSink : public NoteSink
{
public:
    std::vector<NoteItem> items;
    int clears = 0;
    void clear() override
    {
        items.clear();
        ++clears;
    }
    void addItem(const NoteItem &item) override { items.push_back(item); }
    QStringList keys() const
    {
        QStringList k;
        for (const NoteItem &i : items)
            k << i.key;
        return k;
    }
};

// A raw connection for arranging and inspecting files behind the store's back.
class RawDb
{
public:
    explicit RawDb(const QString &path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(db_, 2000);
    }
    ~RawDb() { sqlite3_close_v2(db_); }
    RawDb(const RawDb &) = delete;
    RawDb &operator=(const RawDb &) = delete;

    // Returns the engine's result code (SQLITE_OK = 0).
    int exec(const char *sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }
    // First column of the first row as text ("" when none); NULL reads as "<null>".
    QString scalar(const QString &sql)
    {
        sqlite3_stmt *s = nullptr;
        QString out;
        if (sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &s, nullptr) == SQLITE_OK
            && sqlite3_step(s) == SQLITE_ROW) {
            const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(s, 0));
            out = t ? QString::fromUtf8(t) : QStringLiteral("<null>");
        }
        sqlite3_finalize(s);
        return out;
    }
    qint64 count(const QString &table) { return scalar("SELECT count(*) FROM " + table).toLongLong(); }

private:
    sqlite3 *db_ = nullptr;
};

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Overwrites the start of the first page of the table or index called name, so that any read of
// it finds the file malformed. The file must not be open meanwhile.
inline bool damageRootPage(const QString &path, const QString &name)
{
    const int page = RawDb(path).scalar(QStringLiteral("SELECT rootpage FROM sqlite_schema WHERE name = '%1'").arg(name)).toInt();
    QByteArray bytes = fileBytes(path);
    if (page < 2 || bytes.size() < 100)
        return false;
    const int pageSize = (quint8(bytes[16]) << 8) | quint8(bytes[17]);
    bytes.replace(qsizetype(page - 1) * pageSize, 200, QByteArray(200, '\xA5'));
    return writeBytes(path, bytes);
}

inline CurrentNote makeNote(const QString &title, const QString &priority = QStringLiteral("一般"),
                            qint32 color = 0, const QString &body = QStringLiteral("{\\rtf1 x}"))
{
    CurrentNote n;
    n.NoteTitle = title;
    n.NoteAddDate = QStringLiteral("2026/12/07 09:15");
    n.NoteLastUpdate = n.NoteAddDate;
    n.NotePriority = priority;
    n.NoteColor = color;
    n.NoteBody = body;
    n.NoteIcon = 3;
    return n;
}

// Creates and opens a fresh notebook; QVERIFY-style failures are reported by the caller.
inline bool openFresh(Notebook &db, const QString &path)
{
    if (!db.create(path))
        return false;
    db.open(path);
    return db.isOpen();
}

// For test classes that work on one fresh notebook per test function: a temporary folder, the
// notebook file in it and a store that has it open.
class FreshNotebookFixture
{
protected:
    // False when the folder or the notebook could not be made; the caller reports it.
    bool openFreshNotebook(const QString &fileName)
    {
        dir_ = std::make_unique<QTemporaryDir>();
        if (!dir_->isValid())
            return false;
        db_ = std::make_unique<Notebook>();
        path_ = dir_->filePath(fileName);
        return openFresh(*db_, path_);
    }
    void closeFreshNotebook()
    {
        db_.reset();
        dir_.reset();
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<Notebook> db_;
    QString path_;
};

// What the second process (tests/store/saver.cpp) printed: the IDs of the notes it was told
// were saved, and the reasons of the saves that failed.
struct SaverOutput
{
    QList<qint64> acknowledged;
    QStringList failures;
};

inline SaverOutput parseSaverOutput(const QByteArray &out)
{
    SaverOutput r;
    for (const QByteArray &line : out.split('\n')) {
        if (line.startsWith("ok "))
            r.acknowledged << line.mid(3).toLongLong();
        else if (line.startsWith("fail "))
            r.failures << QString::fromUtf8(line.mid(5));
    }
    return r;
}

// The IDs of every note in the file, read through the store (so through all its checks), opened
// with password.
inline QSet<qint64> noteIdsIn(const QString &path, QString *error, const QString &password = {})
{
    Notebook db;
    QSet<qint64> ids;
    if (db.openWithPassword(path, password) != Notebook::Access::Opened) {
        *error = QStringLiteral("does not open with \"%1\": %2").arg(password, db.lastError());
        return ids;
    }
    VectorNoteSink list;
    Notes(db).list(list, -1);
    for (const NoteItem &item : list.items)
        ids.insert(item.key.mid(1).toLongLong());
    *error = db.lastError();
    return ids;
}

// A notebook of one group "组" holding notes 1..count with bodies of bodyChars characters,
// written in one transaction (adding them one by one would wait for a disk sync each).
// Returns "" or the reason it failed.
inline QString importNotes(const QString &path, int count, int bodyChars)
{
    ImportRows rows;
    rows.groups.push_back({1, QStringLiteral("组")});
    for (int i = 1; i <= count; ++i) {
        ImportNote n;
        n.ID = i;
        n.nNoteTitle = QStringLiteral("笔记 %1").arg(i);
        n.nGroupID = 1;
        n.nNote = QString(bodyChars, u'文');
        rows.notes.push_back(n);
    }
    QString error;
    return ImportNotebook(path, rows, &error) == 1 ? QString() : error;
}
