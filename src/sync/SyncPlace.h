#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Where the sync files of a notebook live: a folder on a WebDAV server, or a local folder that
// another program keeps in step between computers. Paths are relative to the place's root and
// use '/'. Each computer writes only files of its own, so no file is written from two places;
// a file is put under a temporary name and moved into place, so a reader never takes a part of
// one for the whole.
class SyncPlace
{
public:
    struct Entry
    {
        QString name;
        qint64 size = 0;
        bool folder = false;
    };

    virtual ~SyncPlace() = default;

    // What folder ("" for the root) holds, without files still being written. nullopt when the
    // place cannot be read (unreachable, refused): an empty list always means an empty folder.
    virtual std::optional<QList<Entry>> list(const QString &folder) = 0;
    // A file's bytes; nullopt when it cannot be read.
    virtual std::optional<QByteArray> get(const QString &path) = 0;
    // Writes bytes as path, replacing what was there, all or nothing.
    virtual bool put(const QString &path, const QByteArray &bytes) = 0;
    // Makes the folder; true when it exists afterwards.
    virtual bool makeFolder(const QString &path) = 0;
    // Removes a file; true when it is gone afterwards.
    virtual bool remove(const QString &path) = 0;
    // Why the last call failed.
    QString error() const { return error_; }
    // Whether the last call failed because the place refused the user name or password: worth
    // saying apart from a place out of reach, since only the user can mend it.
    bool accessRefused() const { return accessRefused_; }

    // Whether a name is one of the temporary names put() writes under.
    static bool isPartName(const QString &name);

protected:
    // The temporary name put() writes path under before moving it into place.
    static QString partNameFor(const QString &path);
    bool fail(const QString &why, bool accessRefused = false)
    {
        error_ = why;
        accessRefused_ = accessRefused;
        return false;
    }
    QString error_;
    bool accessRefused_ = false;
};
