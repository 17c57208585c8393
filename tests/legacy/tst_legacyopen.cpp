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
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QList<int>>("styles");
        QTest::addColumn<int>("filesAfter");
        QTest::newRow("nominal: agreed") << QStringLiteral("notes-fixture.qbf") << int(Prompter::Yes)
                                         << int(LegacyOpenResult::Converted)
                                         << QList<int>{Prompter::Question, Prompter::Information} << 2;
        QTest::newRow("nominal: declined") << QStringLiteral("notes-fixture.qbf") << int(Prompter::No)
                                           << int(LegacyOpenResult::Declined) << QList<int>{Prompter::Question} << 1;
        // Not notebooks: no question at all, the caller reports the file as damaged.
        QTest::newRow("robustness: Jet file that is not a notebook")
            << QStringLiteral("other-jet/test2V2000.mdb") << int(Prompter::Yes) << int(LegacyOpenResult::NotLegacy)
            << QList<int>{} << 1;
        QTest::newRow("robustness: Jet 3 file") << QStringLiteral("other-jet/data_V1997_test.mdb")
                                                << int(Prompter::Yes) << int(LegacyOpenResult::NotLegacy)
                                                << QList<int>{} << 1;
    }

    void outcomes()
    {
        QFETCH(QString, source);
        QFETCH(int, answer);
        QFETCH(int, outcome);
        QFETCH(QList<int>, styles);
        QFETCH(int, filesAfter);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.qbf"));
        QVERIFY(QFile::copy(legacyDir() + u'/' + source, path));
        ScriptedPrompter prompter;
        prompter.msgAnswers.enqueue(answer);

        const LegacyOpenResult r = offerLegacyConversion(nullptr, prompter, path);
        QCOMPARE(int(r.outcome), outcome);
        QList<int> shown;
        for (const auto &m : prompter.messages) {
            shown << m.style;
            QCOMPARE(m.title, QStringLiteral("提示"));
        }
        QCOMPARE(shown, styles);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), filesAfter);
        if (r.outcome == LegacyOpenResult::Converted) {
            QVERIFY(QFileInfo::exists(r.newPath));
            QVERIFY(prompter.messages.last().text.contains(QDir::toNativeSeparators(r.newPath)));
        }
    }
};

QTEST_MAIN(TestLegacyOpen)
#include "tst_legacyopen.moc"
