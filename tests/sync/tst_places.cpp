// The places sync files live in, over a real WebDAV server and a real folder.
#include "PlaceFixture.h"

#include <QTest>

#include <memory>

class TestPlaces : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { fixture_ = std::make_unique<PlaceFixture>(); }
    void cleanup() { fixture_.reset(); }
    void filesWholeOrNotAtAll_data();
    void filesWholeOrNotAtAll();
    void unreadableIsNotEmpty_data();
    void unreadableIsNotEmpty();

private:
    std::unique_ptr<PlaceFixture> fixture_;
};

void TestPlaces::filesWholeOrNotAtAll_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("nominal: a WebDAV server") << "webdav";
    QTest::newRow("nominal: a folder kept in step by another program") << "folder";
}

void TestPlaces::filesWholeOrNotAtAll()
{
    QFETCH(QString, kind);
    if (!PlaceFixture::missing(kind).isEmpty())
        QSKIP(qPrintable(PlaceFixture::missing(kind)));
    const std::unique_ptr<SyncPlace> p = fixture_->place(kind);
    QVERIFY(p);
    QVERIFY2(p->makeFolder(QStringLiteral("d1")), qPrintable(p->error()));
    QVERIFY(p->makeFolder(QStringLiteral("d1"))); // already there
    QCOMPARE(p->list(QStringLiteral("d1"))->size(), 0);

    QByteArray big(3 << 20, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char(i * 7919 % 251);
    QVERIFY2(p->put(QStringLiteral("d1/log-1"), big), qPrintable(p->error()));
    QVERIFY(p->put(QStringLiteral("d1/log-2"), "first"));
    QVERIFY(p->put(QStringLiteral("d1/log-2"), "second, longer")); // replaced whole
    // What a writer killed in the middle of a put leaves: never listed as a file.
    QFile part(fixture_->onDisk(kind) + QStringLiteral("/d1/log-3.part-x1y2"));
    QVERIFY(part.open(QIODevice::WriteOnly) && part.write("half") == 4);
    part.close();

    const std::optional<QList<SyncPlace::Entry>> listed = p->list(QStringLiteral("d1"));
    QVERIFY2(listed, qPrintable(p->error()));
    QStringList names;
    for (const SyncPlace::Entry &e : *listed)
        names << QStringLiteral("%1:%2:%3").arg(e.name).arg(e.size).arg(e.folder);
    names.sort();
    QCOMPARE(names, (QStringList{QStringLiteral("log-1:%1:0").arg(big.size()), QStringLiteral("log-2:14:0")}));
    QCOMPARE(p->list(QString())->size(), 1);
    QCOMPARE(p->list(QString())->first().folder, true);
    QCOMPARE(p->get(QStringLiteral("d1/log-1")), std::optional<QByteArray>(big));
    QCOMPARE(p->get(QStringLiteral("d1/log-2")), std::optional<QByteArray>("second, longer"));

    QVERIFY(p->remove(QStringLiteral("d1/log-1")));
    QVERIFY(p->remove(QStringLiteral("d1/log-1"))); // gone already
    QCOMPARE(p->list(QStringLiteral("d1"))->size(), 1);
    QVERIFY(!p->get(QStringLiteral("d1/log-1")));
}

void TestPlaces::unreadableIsNotEmpty_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("how"); // "stopped", "password", "missing"
    QTest::newRow("robustness: the server is down") << "webdav" << "stopped";
    QTest::newRow("robustness: the server refuses the password") << "webdav" << "password";
    QTest::newRow("robustness: the server has no such folder") << "webdav" << "missing";
    QTest::newRow("robustness: the folder is not there (a drive not mounted)") << "folder" << "missing";
}

// A place that cannot be read must never look like an empty one: that is how peers came to
// delete every note after a server was switched or went away.
void TestPlaces::unreadableIsNotEmpty()
{
    QFETCH(QString, kind);
    QFETCH(QString, how);
    if (!PlaceFixture::missing(kind).isEmpty())
        QSKIP(qPrintable(PlaceFixture::missing(kind)));
    std::unique_ptr<SyncPlace> p = fixture_->place(kind, how == QLatin1String("password") ? QStringLiteral("wrong") : QString::fromUtf8(DavServer::Password));
    QVERIFY(p);
    if (how == QLatin1String("missing"))
        QVERIFY(QDir(fixture_->onDisk(kind)).removeRecursively());
    if (how == QLatin1String("stopped"))
        fixture_->takeAway(kind);
    QVERIFY(!p->list(QString()));
    QVERIFY(!p->error().isEmpty());
    QCOMPARE(p->accessRefused(), how == QLatin1String("password"));
    QVERIFY(!p->get(QStringLiteral("key")));
    if (how != QLatin1String("missing"))
        QVERIFY(!p->put(QStringLiteral("key"), "bytes"));
}

QTEST_MAIN(TestPlaces)
#include "tst_places.moc"
