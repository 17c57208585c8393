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
    return o;
}

SyncRun::Outcome SyncRun::run(const QString &passphrase)
{
    taken_ = sent_ = 0;
    error_.clear();
    Outcome o = joinOrCheck(passphrase);
    if (o == Outcome::Done)
        o = takeIn();
    if (o == Outcome::Done)
        o = sendOut();
    return o;
}

SyncRun::Outcome SyncRun::joinOrCheck(const QString &passphrase)
{
    const std::optional<QList<SyncPlace::Entry>> root = place_.list(QString());
    if (!root)
        return fail(Outcome::Unreachable, place_.error());
    const bool hasKey = std::any_of(root->begin(), root->end(),
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

SyncRun::Outcome SyncRun::takeIn()
{
    const std::optional<QList<SyncPlace::Entry>> root = place_.list(QString());
    if (!root)
        return fail(Outcome::Unreachable, place_.error());
    const std::shared_ptr<SecretKey> key = replica_.key();
    for (const SyncPlace::Entry &folder : *root) {
        const QByteArray computer = QByteArray::fromHex(folder.name.toLatin1());
        if (!folder.folder || computer.size() != 16 || SyncLog::folderOf(computer) != folder.name
            || computer == replica_.computer())
            continue;
        const std::optional<QList<SyncPlace::Entry>> files = place_.list(folder.name);
        if (!files)
            return fail(Outcome::Unreachable, place_.error());
        QList<quint64> numbers;
        for (const SyncPlace::Entry &f : *files)
            if (const quint64 n = SyncLog::numberOf(f.name); n > replica_.read(computer))
                numbers.append(n);
        std::sort(numbers.begin(), numbers.end());
        for (const quint64 n : numbers) {
            // In order, with no gap: a batch not there yet (its file still on its way through a
            // synced folder) holds back the ones after it.
            if (n != replica_.read(computer) + 1)
                break;
            const QString path = SyncLog::pathOf(computer, n);
            const std::optional<QByteArray> sealed = place_.get(path);
            if (!sealed)
                return fail(Outcome::Unreachable, place_.error());
            const std::optional<QByteArray> plain = SyncKey::unseal(*key, path, *sealed);
            const std::optional<SyncLog::Batch> batch = plain ? SyncLog::decode(*plain) : std::nullopt;
            if (!batch || batch->computer != computer || batch->number != n)
                return fail(Outcome::Refused, path);
            if (!replica_.apply(computer, n, batch->revisions))
                return fail(Outcome::Failed, QString());
            taken_ += int(batch->revisions.size());
        }
    }
    return Outcome::Done;
}

SyncRun::Outcome SyncRun::sendOut()
{
    quint64 number = 0;
    const QList<Revisions::Revision> revisions = replica_.unsent(&number);
    if (revisions.isEmpty())
        return Outcome::Done;
    const QByteArray computer = replica_.computer();
    if (!place_.makeFolder(SyncLog::folderOf(computer)))
        return fail(Outcome::Unreachable, place_.error());
    const QString path = SyncLog::pathOf(computer, number);
    const QByteArray sealed = SyncKey::seal(*replica_.key(), path, SyncLog::encode({computer, number, revisions}));
    if (!place_.put(path, sealed))
        return fail(Outcome::Unreachable, place_.error());
    if (!replica_.sent(number))
        return fail(Outcome::Failed, QString());
    sent_ = int(revisions.size());
    return Outcome::Done;
}
