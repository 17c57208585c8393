#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>

// What sync knows of a notebook's groups and notes: every revision any computer made of each,
// and what it replaced. A revision names the revisions it replaced (its parents), never a time,
// so whether two changes conflict is told by what each was based on, and computers whose clocks
// disagree end the same. The set of revisions only grows, and what a computer shows is worked
// out from the set alone: any number of computers, syncing in any order, that know the same
// revisions show the same thing.
class Revisions
{
public:
    struct Revision
    {
        QByteArray id;            // random, 16 bytes
        QByteArray object;        // the group's or note's identity
        QList<QByteArray> parents; // the revisions it replaced
        bool deleted = false;     // a deletion the user asked for
        QByteArray content;       // the fields, as the store writes them
    };

    // What a computer shows of an object.
    struct Resolved
    {
        const Revision *current = nullptr; // nullptr when deleted (or unknown)
        bool conflict = false;             // changed on two computers between syncs
        QList<const Revision *> others;    // every other version, for its history
    };

    // Adds a revision; false when it was known already.
    bool add(const Revision &r);
    // The revision of that id, or nullptr.
    const Revision *find(const QByteArray &id) const;
    QList<QByteArray> objects() const { return byObject_.keys(); }
    const QList<QByteArray> &ofObject(const QByteArray &object) const;

    // The revisions of object that no other revision replaced.
    QList<const Revision *> heads(const QByteArray &object) const;
    // A kept version beats a deletion (nothing is lost to a deletion made without seeing it);
    // among kept versions, the one with the greatest id shows, the same on every computer, and
    // the others stay in history with the conflict marked.
    Resolved resolve(const QByteArray &object) const;
    // A change made here: it replaces every head, which also settles a conflict.
    Revision change(const QByteArray &object, const QByteArray &content, bool deleted = false) const;

private:
    QHash<QByteArray, Revision> byId_;
    QHash<QByteArray, QList<QByteArray>> byObject_;
};
