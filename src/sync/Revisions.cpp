#include "sync/Revisions.h"

#include <QRandomGenerator>
#include <QSet>

#include <algorithm>

bool Revisions::add(const Revision &r)
{
    if (byId_.contains(r.id))
        return false;
    byId_.insert(r.id, r);
    byObject_[r.object].append(r.id);
    return true;
}

const Revisions::Revision *Revisions::find(const QByteArray &id) const
{
    const auto it = byId_.constFind(id);
    return it == byId_.constEnd() ? nullptr : &*it;
}

const QList<QByteArray> &Revisions::ofObject(const QByteArray &object) const
{
    static const QList<QByteArray> none;
    const auto it = byObject_.constFind(object);
    return it == byObject_.constEnd() ? none : *it;
}

QList<const Revisions::Revision *> Revisions::heads(const QByteArray &object) const
{
    const QList<QByteArray> &ids = ofObject(object);
    QSet<QByteArray> replaced;
    for (const QByteArray &id : ids)
        for (const QByteArray &parent : byId_[id].parents)
            replaced.insert(parent);
    QList<const Revision *> out;
    for (const QByteArray &id : ids)
        if (!replaced.contains(id))
            out.append(find(id));
    return out;
}

Revisions::Resolved Revisions::resolve(const QByteArray &object) const
{
    Resolved r;
    const QList<const Revision *> all = heads(object);
    QList<const Revision *> kept;
    for (const Revision *h : all)
        if (!h->deleted)
            kept.append(h);
    std::sort(kept.begin(), kept.end(), [](const Revision *a, const Revision *b) { return a->id > b->id; });
    if (!kept.isEmpty()) {
        r.current = kept.first();
        r.conflict = kept.size() > 1 || kept.size() < all.size();
    }
    for (const QByteArray &id : ofObject(object)) {
        const Revision *v = find(id);
        if (v != r.current && !v->deleted)
            r.others.append(v);
    }
    return r;
}

Revisions::Revision Revisions::change(const QByteArray &object, const QByteArray &content, bool deleted) const
{
    Revision r;
    r.id.resize(16);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(r.id.data()), 4);
    r.object = object;
    for (const Revision *h : heads(object))
        r.parents.append(h->id);
    r.deleted = deleted;
    r.content = content;
    return r;
}
