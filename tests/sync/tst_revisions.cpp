// Sync's revisions, checked against a simple model over random histories of several computers
// that edit, delete and sync in any order, some of them never hearing of each other for long.
#include "sync/Revisions.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

namespace {

struct Computer
{
    Revisions known;
    QList<Revisions::Revision> made; // its own log, in order
};

// The model: an object is gone only when every kept version of it is among the ancestors of
// some deletion (a deletion was made having seen it); found by walking parents, not by heads.
bool goneInModel(const Revisions &all, const QByteArray &object)
{
    QSet<QByteArray> seenByDeletion;
    QList<QByteArray> toVisit;
    for (const QByteArray &id : all.ofObject(object))
        if (all.find(id)->deleted)
            toVisit += all.find(id)->parents;
    while (!toVisit.isEmpty()) {
        const QByteArray id = toVisit.takeLast();
        if (!seenByDeletion.contains(id) && all.find(id)) {
            seenByDeletion.insert(id);
            toVisit += all.find(id)->parents;
        }
    }
    for (const QByteArray &id : all.ofObject(object))
        if (!all.find(id)->deleted && !seenByDeletion.contains(id))
            return false;
    return !all.ofObject(object).isEmpty();
}

} // namespace

class TestRevisions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void computersConverge_data();
    void computersConverge();
};

void TestRevisions::computersConverge_data()
{
    QTest::addColumn<int>("computers");
    QTest::addColumn<int>("objects");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("syncEvery"); // a computer syncs on average once in this many steps
    QTest::newRow("nominal: two computers, often in step") << 2 << 5 << 400 << 3;
    QTest::newRow("nominal: five computers, one note edited everywhere") << 5 << 1 << 400 << 4;
    QTest::newRow("robustness: four computers, rarely in step") << 4 << 8 << 1500 << 40;
}

void TestRevisions::computersConverge()
{
    QFETCH(int, computers);
    QFETCH(int, objects);
    QFETCH(int, steps);
    QFETCH(int, syncEvery);
    for (int seed = 1; seed <= 20; ++seed) {
        QRandomGenerator random{quint32(seed)};
        QList<Computer> c(computers);
        QHash<QByteArray, QList<QByteArray>> saved; // every kept version anyone saved, by object
        for (int step = 0; step < steps; ++step) {
            Computer &me = c[int(random.bounded(computers))];
            const QByteArray object = QByteArray::number(random.bounded(objects));
            if (random.bounded(syncEvery) == 0) {
                // A sync reads the logs of some computers (one it cannot reach is skipped), from
                // a random point on: what is already known is not applied twice.
                for (const Computer &other : c)
                    if (random.bounded(3) != 0)
                        for (qsizetype i = random.bounded(qMax<qsizetype>(1, other.made.size())); i < other.made.size(); ++i)
                            me.known.add(other.made[i]);
                continue;
            }
            const bool deleting = me.known.resolve(object).current && random.bounded(6) == 0;
            const QByteArray text = QByteArray::number(step) + '@' + QByteArray::number(&me - c.data());
            const Revisions::Revision r = me.known.change(object, text, deleting);
            QVERIFY(me.known.add(r));
            me.made.append(r);
            if (!deleting)
                saved[object].append(text);
        }
        // Everyone reads every log, in its own order.
        Revisions all;
        for (Computer &me : c) {
            QList<Revisions::Revision> logs;
            for (const Computer &other : c)
                logs += other.made;
            std::shuffle(logs.begin(), logs.end(), random);
            for (const Revisions::Revision &r : logs)
                me.known.add(r);
            for (const Revisions::Revision &r : logs)
                all.add(r);
        }
        for (int o = 0; o < objects; ++o) {
            const QByteArray object = QByteArray::number(o);
            const Revisions::Resolved first = c[0].known.resolve(object);
            for (const Computer &me : c) {
                // Convergence: the same version shows (or the object is gone) everywhere.
                const Revisions::Resolved here = me.known.resolve(object);
                QCOMPARE(here.current ? here.current->id : QByteArray(), first.current ? first.current->id : QByteArray());
                QCOMPARE(here.conflict, first.conflict);
                // No edit lost: every version saved shows or is kept in history.
                QSet<QByteArray> versions;
                if (here.current)
                    versions.insert(here.current->content);
                for (const Revisions::Revision *v : here.others)
                    versions.insert(v->content);
                for (const QByteArray &text : saved.value(object))
                    QVERIFY2(versions.contains(text), text.constData());
            }
            // Gone only when a deletion saw every kept version.
            QCOMPARE(first.current == nullptr, goneInModel(all, object));
        }
    }
}

QTEST_MAIN(TestRevisions)
#include "tst_revisions.moc"
