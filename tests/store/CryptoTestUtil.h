#pragma once

// Notebooks for the encryption tests: known secrets to look for in the bytes, and a listing of
// everything a user sees, to compare a file before and after.

#include "StoreTestUtil.h"

#include "store/Groups.h"
#include "store/Notebook.h"
#include "store/Notes.h"
#include "store/crypto/CipherVfs.h"
#include "store/crypto/NotebookHeader.h"

#include <QFile>
#include <QStringList>
#include <QtEndian>

#include <sodium.h>
#include <sqlite3.h>

namespace CryptoTest {

// Texts that must never appear in the bytes of a protected notebook, its journal or copies.
inline QStringList secrets()
{
    return {QStringLiteral("ZebraTitleQuokka"), QStringLiteral("机密标题"), QStringLiteral("OkapiBodyNarwhal"),
            QStringLiteral("绝密正文内容"), QStringLiteral("PangolinGroup"), QStringLiteral("秘密分组")};
}

// Fills an open notebook: two groups, notes whose titles and bodies carry the secrets, and
// enough notes to spread over many pages.
inline bool fill(Notebook &db, int notes)
{
    const std::optional<qint64> group = Groups(db).add(QStringLiteral("PangolinGroup 秘密分组"));
    const std::optional<qint64> other = Groups(db).add(QStringLiteral("plain group"));
    if (!group || !other)
        return false;
    for (int i = 0; i < notes; ++i) {
        const QString title = i % 2 ? QStringLiteral("ZebraTitleQuokka %1").arg(i) : QStringLiteral("机密标题 %1").arg(i);
        const QString body = QStringLiteral("{\\rtf1 OkapiBodyNarwhal 绝密正文内容 %1 %2}").arg(i).arg(QString(600, u'文'));
        if (!Notes(db).add(i % 3 ? *group : *other, makeNote(title, QStringLiteral("重要"), 0, body)))
            return false;
    }
    return true;
}

// Everything a user sees of the open notebook: groups, listed notes and every body. A read
// that fails adds a line saying so.
inline QStringList listing(Notebook &db)
{
    QStringList out;
    VectorGroupSink tree;
    Groups(db).load(tree);
    if (!db.lastError().isEmpty())
        out << QStringLiteral("groups failed: ") + db.lastError();
    for (const TreeNode &n : tree.nodes)
        out << n.key + QLatin1Char('=') + n.text;
    VectorNoteSink list;
    Notes(db).list(list, -1);
    if (!db.lastError().isEmpty())
        out << QStringLiteral("notes failed: ") + db.lastError();
    for (const NoteItem &it : list.items) {
        out << QStringList{it.key, it.title, it.added.text(), it.updated.text(), it.priority, it.tag}.join(QLatin1Char('|'));
        const QString body = Notes(db).body(it.key.mid(1).toLongLong());
        out << (db.lastError().isEmpty() ? body : QStringLiteral("body failed: ") + db.lastError());
    }
    return out;
}

// A connection straight through the store's file layer, for what Notebook never does (a
// transaction held open, a temporary table, another journal mode).
class LayerDb
{
public:
    explicit LayerDb(const QString &path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READWRITE, CipherVfs::name());
    }
    ~LayerDb() { sqlite3_close_v2(db_); }
    LayerDb(const LayerDb &) = delete;
    LayerDb &operator=(const LayerDb &) = delete;
    int exec(const char *sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }

private:
    sqlite3 *db_ = nullptr;
};

// The secrets found in bytes, as UTF-8 or UTF-16.
inline QStringList secretsIn(const QByteArray &bytes)
{
    QStringList found;
    for (const QString &s : secrets()) {
        const QByteArray utf16(reinterpret_cast<const char *>(s.utf16()), s.size() * 2);
        if (bytes.contains(s.toUtf8()) || bytes.contains(utf16))
            found << s;
    }
    return found;
}

// A note whose body spills over several pages of the file.
inline CurrentNote longNote()
{
    return makeNote(QStringLiteral("长记事"), QStringLiteral("一般"), 0,
                    QStringLiteral("{\\rtf1 %1}").arg(QString(20000, u'长')));
}

// Flips a byte of the first page a note's body spills onto: a page that opening the notebook,
// listing it and reading other notes never read. The notebook must be closed; an encrypted one's
// key unlocked (by a store that opened it). False when no body spills over.
inline bool damageBodyPage(const QString &file)
{
    qint64 page = 0;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, CipherVfs::name()) == SQLITE_OK) {
        sqlite3_stmt *q = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT min(pageno) FROM dbstat WHERE name = 'Notes' AND pagetype = 'overflow'",
                               -1, &q, nullptr) == SQLITE_OK
            && sqlite3_step(q) == SQLITE_ROW)
            page = sqlite3_column_int64(q, 0);
        sqlite3_finalize(q);
    }
    sqlite3_close_v2(db);
    QByteArray bytes = fileBytes(file);
    if (page < 2 || bytes.size() < 100)
        return false;
    qsizetype at = 0;
    if (Notebook::protectionOf(file) == Notebook::Protection::Encrypted) {
        // Anywhere in an encrypted page: it no longer passes its check.
        at = NotebookHeader::RegionBytes + (page - 1) * NotebookHeader::PageSize + 100;
    } else {
        // The page's link to the next one: the chain now leads outside the file.
        const int pageSize = qFromBigEndian<quint16>(bytes.constData() + 16);
        at = (page - 1) * pageSize + 1;
    }
    if (at >= bytes.size())
        return false;
    bytes[at] = char(bytes[at] ^ 0x10);
    return writeBytes(file, bytes);
}

// Header slots written by hand at the offsets docs/encryption.md gives, as an attacker or an
// older version would write them.
namespace Slot {
constexpr int Version = 8, Reserved = 28, Generation = 152, Commits = 160, Check = 184, Bytes = 200,
              FirstFormatBytes = 168;

// The check value recomputed over the bytes before it: it is no secret.
inline void recheck(QByteArray &slot, int checkAt = Check)
{
    crypto_generichash(reinterpret_cast<unsigned char *>(slot.data() + checkAt), 16,
                       reinterpret_cast<const unsigned char *>(slot.constData()), std::size_t(checkAt), nullptr, 0);
}

// The header region a file of the first format has for the same header: one slot, version 1,
// no generation, its check value where the generation is now.
inline QByteArray firstFormatRegion(const QByteArray &slot)
{
    QByteArray one = slot.left(FirstFormatBytes);
    qToLittleEndian<quint32>(1, one.data() + Version);
    recheck(one, Generation);
    QByteArray region(NotebookHeader::RegionBytes, '\0');
    region.replace(0, one.size(), one);
    return region;
}
} // namespace Slot

} // namespace CryptoTest
