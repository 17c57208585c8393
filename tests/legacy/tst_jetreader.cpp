#include "legacy/JetReader.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString legacyDir() { return QStringLiteral(QB_SHARED_DIR "/legacy-qbf"); }

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// mdb-export's CSV: fields separated by commas, text quoted with "" as the escaped quote,
// newlines allowed inside quotes.
QList<QStringList> readCsv(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(f.readAll());
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            row << field;
            field.clear();
        } else if (c == u'\n') {
            row << field;
            rows << row;
            row.clear();
            field.clear();
        } else if (c != u'\r') {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty())
        rows << (row << field);
    return rows;
}

QString shown(const std::optional<QString> &v) { return v.value_or(QString()); }
QString shown(const std::optional<qint64> &v) { return v ? QString::number(*v) : QString(); }

} // namespace

class TestJetReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!QFileInfo::exists(legacyDir()))
            QSKIP("the legacy notebook fixtures are not present beside the repository");
    }

    void sniff_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("kind");
        QTest::newRow("nominal: SQLite") << QByteArray("SQLite format 3\0rest", 20) << int(FileKind::Quillbook);
        QByteArray jet4(32, '\0');
        jet4.replace(4, 16, QByteArray("Standard Jet DB\0", 16));
        jet4[0x14] = 1;
        QTest::newRow("nominal: Jet 4") << jet4 << int(FileKind::Jet4);
        QByteArray jet3 = jet4;
        jet3[0x14] = 0;
        QTest::newRow("robustness: Jet 3") << jet3 << int(FileKind::Other);
        QByteArray ace = jet4;
        ace.replace(4, 16, QByteArray("Standard ACE DB\0", 16));
        ace[0x14] = 2;
        QTest::newRow("robustness: Access 2007") << ace << int(FileKind::Other);
        QTest::newRow("robustness: garbage") << QByteArray("hello world, not a notebook") << int(FileKind::Other);
        QTest::newRow("robustness: empty file") << QByteArray() << int(FileKind::Other);
    }

    void sniff()
    {
        QFETCH(QByteArray, head);
        QFETCH(int, kind);
        QTemporaryDir dir;
        // The name says notebook; only the bytes count.
        const QString path = dir.filePath(QStringLiteral("x.qbf"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(head);
        f.close();
        QCOMPARE(int(sniffFileKind(path)), kind);
        QCOMPARE(int(sniffFileKind(dir.filePath(QStringLiteral("missing.qbf")))), int(FileKind::Missing));
    }

    void fixtures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("nominal: plain fixture") << QStringLiteral("notes-fixture");
        QTest::newRow("nominal: fixture with a database password") << QStringLiteral("notes-fixture-pw");
    }

    // Every row as the reference export shows it; Null shows as an empty field there.
    void fixtures()
    {
        QFETCH(QString, name);
        const QString path = legacyDir() + u'/' + name + QStringLiteral(".qbf");
        const QByteArray before = fileHash(path);
        QVERIFY(isLegacyNotebook(path));
        const JetReadResult read = runJetReader(path);
        QCOMPARE(int(read.status), int(JetReadResult::Ok));
        LegacyNotebook book;
        QString why;
        QVERIFY2(toLegacyNotebook(read.tables, book, &why), qPrintable(why));

        const auto groups = readCsv(legacyDir() + QStringLiteral("/expected/") + name + QStringLiteral(".Groups.csv"));
        QCOMPARE(qsizetype(book.groups.size()), groups.size() - 1);
        for (size_t i = 0; i < book.groups.size(); ++i) {
            QCOMPARE(QString::number(book.groups[i].ID), groups[i + 1][0]);
            QCOMPARE(shown(book.groups[i].vGroupName), groups[i + 1][1]);
        }

        const auto notes = readCsv(legacyDir() + QStringLiteral("/expected/") + name + QStringLiteral(".Notes.csv"));
        QCOMPARE(qsizetype(book.notes.size()), notes.size() - 1);
        for (size_t i = 0; i < book.notes.size(); ++i) {
            const ImportNote &n = book.notes[i];
            const QStringList got{QString::number(n.ID), shown(n.nNoteTitle), shown(n.nAddDate),
                                  shown(n.nLastUpdate), shown(n.nPriority), shown(n.nIcon),
                                  shown(n.nGroupID),    shown(n.nColor),    shown(n.nNote)};
            QCOMPARE(got, notes[i + 1]);
        }
        // The long body arrives whole, and the empty row's fields are Null rather than "".
        QCOMPARE(shown(book.notes[1].nNote).size(), 40030);
        QVERIFY(!book.notes[2].nAddDate && !book.notes[2].nIcon && !book.notes[2].nNote);
        QCOMPARE(fileHash(path), before);
    }

    void overflowRows()
    {
        const JetReadResult read = runJetReader(legacyDir() + QStringLiteral("/overflow.mdb"), {QStringLiteral("Notes")});
        QCOMPARE(int(read.status), int(JetReadResult::Ok));
        QCOMPARE(read.tables.size(), 1);
        QCOMPARE(read.tables[0].rows.size(), 58);
    }

    void charactersOutsideTheBasicPlane()
    {
        const JetReadResult read = runJetReader(legacyDir() + QStringLiteral("/surrogate.mdb"), {QStringLiteral("Groups")});
        QCOMPARE(int(read.status), int(JetReadResult::Ok));
        QStringList names;
        for (const auto &row : read.tables.value(0).rows)
            names << row.value(1).toString();
        QVERIFY2(names.join(u'|').contains(QString::fromUcs4(U"\U00020000")), qPrintable(names.join(u'|')));
        QVERIFY(names.join(u'|').contains(QString::fromUcs4(U"\U0001F600")));
    }

    void otherJetFilesRefused_data()
    {
        QTest::addColumn<QString>("file");
        const QDir dir(legacyDir() + QStringLiteral("/other-jet"));
        for (const QString &f : dir.entryList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(QStringLiteral("robustness: ") + f)) << dir.filePath(f);
    }

    void otherJetFilesRefused()
    {
        QFETCH(QString, file);
        const QByteArray before = fileHash(file);
        QVERIFY(!isLegacyNotebook(file));
        const JetReadResult read = runJetReader(file);
        QVERIFY(read.status != JetReadResult::Ok);
        QVERIFY(!read.message.isEmpty());
        QCOMPARE(fileHash(file), before);
    }

    // A reader that hangs, floods its output or crashes ends in a message, within the limits.
    void misbehavingReader_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("robustness: hangs") << QStringLiteral("sleep 30");
        QTest::newRow("robustness: endless output") << QStringLiteral("printf 'QBJ1\\n'; yes");
        QTest::newRow("robustness: crashes") << QStringLiteral("kill -SEGV $$");
        QTest::newRow("robustness: truncated output") << QStringLiteral("printf 'QBJ1\\nT'");
    }

    void misbehavingReader()
    {
        QFETCH(QString, script);
        QTemporaryDir dir;
        const QString reader = dir.filePath(QStringLiteral("reader.sh"));
        QFile f(reader);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + script.toUtf8() + "\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        qputenv("QUILLBOOK_JET_READER", reader.toUtf8());
        QElapsedTimer clock;
        clock.start();
        const JetReadResult read = runJetReader(legacyDir() + QStringLiteral("/notes-fixture.qbf"), {}, {},
                                                JetReaderLimits{1500, qint64(1) << 20});
        qunsetenv("QUILLBOOK_JET_READER");
        QCOMPARE(int(read.status), int(JetReadResult::Damaged));
        QVERIFY(!read.message.isEmpty());
        QVERIFY(clock.elapsed() < 10000);
    }

    // Cut and flipped copies: every one ends with rows or a message, never a crash of ours or a hang.
    void damagedCopies_data()
    {
        QTest::addColumn<int>("cut");
        QTest::addColumn<int>("flipAt");
        for (int cut : {100, 4096, 8192, 20000, 65536, 200000})
            QTest::newRow(qPrintable(QStringLiteral("robustness: cut at %1").arg(cut))) << cut << -1;
        for (int at : {0x14, 0x2000, 0x2800, 0x4100, 0x6010, 0x9000, 0x10004, 0x20000, 0x30100})
            QTest::newRow(qPrintable(QStringLiteral("robustness: flip at %1").arg(at))) << -1 << at;
    }

    void damagedCopies()
    {
        QFETCH(int, cut);
        QFETCH(int, flipAt);
        QFile src(legacyDir() + QStringLiteral("/notes-fixture.qbf"));
        QVERIFY(src.open(QIODevice::ReadOnly));
        QByteArray bytes = src.readAll();
        if (cut >= 0)
            bytes.truncate(cut);
        if (flipAt >= 0 && flipAt < bytes.size())
            for (int i = 0; i < 16 && flipAt + i < bytes.size(); ++i)
                bytes[flipAt + i] = char(~bytes[flipAt + i]);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("damaged.qbf"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        out.close();

        const JetReadResult read = runJetReader(path);
        if (read.status == JetReadResult::Ok) {
            LegacyNotebook book;
            toLegacyNotebook(read.tables, book, nullptr); // may refuse; must not crash
        } else {
            QVERIFY(!read.message.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestJetReader)
#include "tst_jetreader.moc"
