#include "sync/SyncRun.h"

#include "store/crypto/SecretKey.h"
#include "sync/SyncKey.h"
#include "sync/SyncLog.h"
#include "sync/SyncPlace.h"
#include "sync/SyncReplica.h"

#include <algorithm>

SyncRun::SyncRun(SyncPlace &place, SyncReplica &replica)
    : place_(place)
    , replica_(replica)
{
}

SyncRun::Outcome SyncRun::fail(Outcome o, const QString &why)
{
    error_ = why;
    return o == Outcome::Unreachable && place_.accessRefused() ? Outcome::AccessRefused : o;
}

SyncRun::Outcome SyncRun::run(const QString &passphrase)
{
    taken_ = sent_ = 0;
    error_.clear();
    // One listing of the place's top serves the whole run: the key file, the computers' folders.
    const std::optional<QList<SyncPlace::Entry>> root = place_.list(QString());
    if (!root)
        return fail(Outcome::Unreachable, place_.error());
    Outcome o = joinOrCheck(*root, passphrase);
    if (o == Outcome::Done)
        o = checkOwnFolder(*root);
    if (o == Outcome::Done)
        o = takeIn(*root);
    if (o == Outcome::Done)
        o = sendOut(*root);
    return o;
}

SyncRun::Outcome SyncRun::joinOrCheck(const QList<SyncPlace::Entry> &root, const QString &passphrase)
{
    const bool hasKey = std::any_of(root.begin(), root.end(),
                                    [](const SyncPlace::Entry &e) { return e.name == QLatin1String(KeyFile); });
    if (!hasKey) {
        // Synced with before: the place was emptied or another was put at its address. Making a
        // new key here would start the notebook over there; nothing is done instead.
        if (!replica_.placeId().isEmpty())
            return fail(Outcome::PlaceLost, QString());
        if (passphrase.isEmpty())
            return fail(Outcome::NeedPassphrase, QString());
        const std::optional<SyncKey::Made> made = SyncKey::make(passphrase, keyCost);
        if (!made)
            return fail(Outcome::Failed, QStringLiteral("no secure memory for the key"));
        if (!place_.put(QLatin1String(KeyFile), made->keyFile))
            return fail(Outcome::Unreachable, place_.error());
        return replica_.joinPlace(made->placeId, made->key) ? Outcome::Done : fail(Outcome::Failed, QString());
    }
    const std::optional<QByteArray> keyFile = place_.get(QLatin1String(KeyFile));
    if (!keyFile)
        return fail(Outcome::Unreachable, place_.error());
    const std::optional<QByteArray> placeId = SyncKey::placeIdOf(*keyFile);
    if (!placeId)
        return fail(Outcome::Refused, QStringLiteral("the key file is damaged"));
    if (!replica_.placeId().isEmpty())
        return *placeId == replica_.placeId() ? Outcome::Done : fail(Outcome::PlaceLost, QString());
    // This notebook's first sync with a place that holds a notebook: only an empty notebook
    // joins it, so two notebooks never mix.
    if (!replica_.empty())
        return fail(Outcome::OtherNotebook, QString());
    if (passphrase.isEmpty())
        return fail(Outcome::NeedPassphrase, QString());
    std::shared_ptr<SecretKey> key;
    QByteArray opened;
    switch (SyncKey::open(*keyFile, passphrase, &key, &opened)) {
    case SyncKey::Opened::Ok:
        return replica_.joinPlace(opened, key) ? Outcome::Done : fail(Outcome::Failed, QString());
    case SyncKey::Opened::WrongPassphrase:
        return fail(Outcome::WrongPassphrase, QString());
    case SyncKey::Opened::Damaged:
        break;
    }
    return fail(Outcome::Refused, QStringLiteral("the key file is damaged"));
}

namespace {

// What the place holds of one other computer.
struct Seen
{
    QByteArray computer;
    QList<quint64> numbers; // its batches, in order
    bool snapshot = false;
};

// Whether a batch r needs is gone while later ones are there.
bool gapIn(const Seen &s, quint64 read)
{
    return !s.numbers.isEmpty() && s.numbers.last() > read && !s.numbers.contains(read + 1);
}

} // namespace

SyncRun::Outcome SyncRun::checkOwnFolder(const QList<SyncPlace::Entry> &root)
{
    const QByteArray computer = replica_.computer();
    const QString folder = SyncLog::folderOf(computer);
    if (std::none_of(root.begin(), root.end(), [&](const SyncPlace::Entry &e) { return e.folder && e.name == folder; }))
        return Outcome::Done;
    const std::optional<QList<SyncPlace::Entry>> files = place_.list(folder);
    if (!files)
        return fail(Outcome::Unreachable, place_.error());
    quint64 next = 0;
    const QList<Revisions::Revision> batch = replica_.unsent(&next);
    bool copy = false, nextThere = false;
    for (const SyncPlace::Entry &f : *files) {
        const quint64 n = SyncLog::numberOf(f.name);
        copy = copy || n > next;
        nextThere = nextThere || n == next;
    }
    if (!copy && nextThere) {
        // Either this computer's own batch, sent by a run killed before it was noted sent, or a
        // copy's: only the first holds exactly the revisions this one would send.
        const QString path = SyncLog::pathOf(computer, next);
        const std::optional<QByteArray> sealed = place_.get(path);
        if (!sealed)
            return fail(Outcome::Unreachable, place_.error());
        const std::optional<QByteArray> plain = SyncKey::unseal(*replica_.key(), path, *sealed);
        const std::optional<SyncLog::Batch> there = plain ? SyncLog::decode(*plain) : std::nullopt;
        QList<QByteArray> theirs, ours;
        for (const Revisions::Revision &r : there ? there->revisions : QList<Revisions::Revision>())
            theirs.append(r.id);
        for (const Revisions::Revision &r : batch)
            ours.append(r.id);
        copy = theirs != ours;
    }
    return !copy || replica_.renewComputer() ? Outcome::Done : fail(Outcome::Failed, QString());
}

SyncRun::Outcome SyncRun::takeIn(const QList<SyncPlace::Entry> &root)
{
    QList<Seen> seen;
    for (const SyncPlace::Entry &folder : root) {
        const QByteArray computer = QByteArray::fromHex(folder.name.toLatin1());
        if (!folder.folder || computer.size() != 16 || SyncLog::folderOf(computer) != folder.name
            || computer == replica_.computer())
            continue;
        const std::optional<QList<SyncPlace::Entry>> files = place_.list(folder.name);
        if (!files)
            return fail(Outcome::Unreachable, place_.error());
        Seen s{computer, {}, false};
        for (const SyncPlace::Entry &f : *files) {
            if (const quint64 n = SyncLog::numberOf(f.name))
                s.numbers.append(n);
            s.snapshot = s.snapshot || f.name == QLatin1String(SyncLog::SnapshotName);
        }
        std::sort(s.numbers.begin(), s.numbers.end());
        seen.append(s);
    }

    // A first sync starts from the snapshot of the computer with the most batches; where batches
    // were dropped, their writer's snapshot has them.
    QList<QByteArray> snapshots;
    for (const Seen &s : seen)
        if (s.snapshot && gapIn(s, replica_.read(s.computer)))
            snapshots.append(s.computer);
    if (replica_.readUpTo().isEmpty()) {
        std::sort(seen.begin(), seen.end(), [](const Seen &a, const Seen &b) {
            return (a.numbers.isEmpty() ? 0 : a.numbers.last()) > (b.numbers.isEmpty() ? 0 : b.numbers.last());
        });
        for (const Seen &s : seen)
            if (s.snapshot && !snapshots.contains(s.computer))
                snapshots.append(s.computer);
    }
    if (const Outcome o = takeSnapshots(snapshots); o != Outcome::Done)
        return o;

    const std::shared_ptr<SecretKey> key = replica_.key();
    for (const Seen &s : seen) {
        for (const quint64 n : s.numbers) {
            if (n <= replica_.read(s.computer))
                continue;
            // In order, with no gap: a batch not there yet (its file still on its way through a
            // synced folder) holds back the ones after it.
            if (n != replica_.read(s.computer) + 1)
                break;
            if (cancel && cancel->load())
                return Outcome::Cancelled;
            const QString path = SyncLog::pathOf(s.computer, n);
            const std::optional<QByteArray> sealed = place_.get(path);
            if (!sealed)
                return fail(Outcome::Unreachable, place_.error());
            const std::optional<QByteArray> plain = SyncKey::unseal(*key, path, *sealed);
            const std::optional<SyncLog::Batch> batch = plain ? SyncLog::decode(*plain) : std::nullopt;
            if (!batch || batch->computer != s.computer || batch->number != n)
                return fail(Outcome::Refused, path);
            if (!replica_.apply(s.computer, n, batch->revisions))
                return fail(Outcome::Failed, QString());
            taken_ += int(batch->revisions.size());
        }
    }
    return Outcome::Done;
}

SyncRun::Outcome SyncRun::takeSnapshots(const QList<QByteArray> &computers)
{
    const std::shared_ptr<SecretKey> key = replica_.key();
    for (const QByteArray &computer : computers) {
        const QString path = SyncLog::snapshotOf(computer);
        const std::optional<QByteArray> sealed = place_.get(path);
        if (!sealed)
            return fail(Outcome::Unreachable, place_.error());
        const std::optional<QByteArray> plain = SyncKey::unseal(*key, path, *sealed);
        const std::optional<SyncLog::Snapshot> snapshot = plain ? SyncLog::decodeSnapshot(*plain) : std::nullopt;
        if (!snapshot || snapshot->computer != computer)
            return fail(Outcome::Refused, path);
        QHash<QByteArray, quint64> covered = snapshot->covered;
        covered.remove(replica_.computer()); // this computer's own batches are never read back
        if (!replica_.applySnapshot(covered, snapshot->revisions))
            return fail(Outcome::Failed, QString());
        taken_ += int(snapshot->revisions.size());
    }
    return Outcome::Done;
}

SyncRun::Outcome SyncRun::writeSnapshot(quint64 lastSent)
{
    const QByteArray computer = replica_.computer();
    SyncLog::Snapshot snapshot{computer, replica_.readUpTo(), replica_.everything()};
    snapshot.covered.insert(computer, lastSent);
    const QString path = SyncLog::snapshotOf(computer);
    if (!place_.put(path, SyncKey::seal(*replica_.key(), path, SyncLog::encode(snapshot))))
        return fail(Outcome::Unreachable, place_.error());
    // Batches the snapshot holds go, but for the last few that computers a little behind read.
    const std::optional<QList<SyncPlace::Entry>> files = place_.list(SyncLog::folderOf(computer));
    if (!files)
        return fail(Outcome::Unreachable, place_.error());
    for (const SyncPlace::Entry &f : *files)
        if (const quint64 n = SyncLog::numberOf(f.name); n > 0 && n + snapshotEvery <= lastSent)
            place_.remove(SyncLog::folderOf(computer) + QLatin1Char('/') + f.name);
    return Outcome::Done;
}

SyncRun::Outcome SyncRun::sendOut(const QList<SyncPlace::Entry> &root)
{
    if (cancel && cancel->load())
        return Outcome::Cancelled;
    quint64 number = 0;
    const QList<Revisions::Revision> revisions = replica_.unsent(&number);
    if (revisions.isEmpty())
        return Outcome::Done;
    const QByteArray computer = replica_.computer();
    const QString folder = SyncLog::folderOf(computer);
    const bool folderThere = std::any_of(root.begin(), root.end(),
                                         [&](const SyncPlace::Entry &e) { return e.folder && e.name == folder; });
    if (!folderThere && !place_.makeFolder(folder))
        return fail(Outcome::Unreachable, place_.error());
    const QString path = SyncLog::pathOf(computer, number);
    const QByteArray sealed = SyncKey::seal(*replica_.key(), path, SyncLog::encode({computer, number, revisions}));
    if (!place_.put(path, sealed))
        return fail(Outcome::Unreachable, place_.error());
    if (!replica_.sent(number))
        return fail(Outcome::Failed, QString());
    sent_ = int(revisions.size());
    return snapshotEvery > 0 && number % snapshotEvery == 0 ? writeSnapshot(number) : Outcome::Done;
}
