#include "common/ScriptedPrompter.h"
#include "legacy/ui/LegacyOpen.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString legacyDir() { return QStringLiteral(QB_SHARED_DIR "/legacy-qbf"); }
}

class TestLegacyOpen : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!QFileInfo::exists(legacyDir()))
            QSKIP("the legacy notebook fixtures are not present beside the repository");
    }

    void outcomes_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("keepPercent"); // of the file's bytes; 100 = the whole file
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QList<int>>("styles");
        QTest::addColumn<int>("filesAfter");
        const QString fixture = QStringLiteral("notes-fixture.qbf");
        QTest::newRow("nominal: agreed") << fixture << 100 << QList<int>{Prompter::Yes}
                                         << int(LegacyOpenResult::Converted)
                                         << QList<int>{Prompter::Question, Prompter::Information} << 2;
        QTest::newRow("nominal: declined") << fixture << 100 << QList<int>{Prompter::No}
                                           << int(LegacyOpenResult::Declined) << QList<int>{Prompter::Question} << 1;
        // A damaged file: the user hears what is missing and chooses.
        QTest::newRow("robustness: damaged, what could be read kept")
            << fixture << 66 << QList<int>{Prompter::Yes, Prompter::Yes} << int(LegacyOpenResult::Converted)
            << QList<int>{Prompter::Question, Prompter::Question, Prompter::Information} << 2;
        QTest::newRow("robustness: damaged, nothing kept")
            << fixture << 66 << QList<int>{Prompter::Yes, Prompter::No} << int(LegacyOpenResult::Declined)
            << QList<int>{Prompter::Question, Prompter::Question} << 1;
        // Not notebooks: no question at all, the caller reports the file as damaged.
        QTest::newRow("robustness: Jet file that is not a notebook")
            << QStringLiteral("other-jet/test2V2000.mdb") << 100 << QList<int>{Prompter::Yes}
            << int(LegacyOpenResult::NotLegacy) << QList<int>{} << 1;
        QTest::newRow("robustness: Jet 3 file") << QStringLiteral("other-jet/data_V1997_test.mdb") << 100
                                                << QList<int>{Prompter::Yes} << int(LegacyOpenResult::NotLegacy)
                                                << QList<int>{} << 1;
    }

    void outcomes()
    {
        QFETCH(QString, source);
        QFETCH(int, keepPercent);
        QFETCH(QList<int>, answers);
        QFETCH(int, outcome);
        QFETCH(QList<int>, styles);
        QFETCH(int, filesAfter);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.qbf"));
        QFile in(legacyDir() + u'/' + source);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QByteArray bytes = in.readAll();
        bytes.truncate(bytes.size() * keepPercent / 100);
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        out.close();
        ScriptedPrompter prompter;
        for (int a : answers)
            prompter.msgAnswers.enqueue(a);

        const LegacyOpenResult r = offerLegacyConversion(nullptr, prompter, path);
        QCOMPARE(int(r.outcome), outcome);
        QList<int> shown;
        for (const auto &m : prompter.messages) {
            shown << m.style;
            QCOMPARE(m.title, QStringLiteral("提示"));
        }
        QCOMPARE(shown, styles);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), filesAfter);
        if (keepPercent < 100) {
            // The long body of note 2 lies past the cut: the question names it.
            const QString asked = prompter.messages.value(1).text;
            QVERIFY2(asked.contains(QStringLiteral("记事 2“Second note”")), qPrintable(asked));
            QVERIFY2(asked.contains(QStringLiteral("原文件保持不变")), qPrintable(asked));
        }
        if (r.outcome == LegacyOpenResult::Converted) {
            QVERIFY(QFileInfo::exists(r.newPath));
            QVERIFY(prompter.messages.last().text.contains(QDir::toNativeSeparators(r.newPath)));
        }
    }
};

QTEST_MAIN(TestLegacyOpen)
#include "tst_legacyopen.moc"
