#pragma once

// The sync places of the tests: a folder, or a folder on a real WebDAV server (DavServer.h)
// started on first use. Both keep their files under a temporary folder, where a test can look
// at them or spoil them as another program would.

#include "DavServer.h"

#include "sync/FolderPlace.h"
#include "sync/WebDavPlace.h"

#include <QTemporaryDir>

#include <memory>

class PlaceFixture
{
public:
    PlaceFixture() { QDir().mkpath(dir_.filePath(QStringLiteral("synced"))); }

    // Why the kind cannot run here ("" when it can).
    static QString missing(const QString &kind)
    {
        return kind == QLatin1String("webdav") ? DavServer::missing() : QString();
    }

    // A place of kind ("webdav" or "folder"); nullptr when the server did not start.
    std::unique_ptr<SyncPlace> place(const QString &kind, const QString &password = QString::fromUtf8(DavServer::Password))
    {
        if (kind == QLatin1String("folder"))
            return std::make_unique<FolderPlace>(onDisk(kind));
        if (!server_) {
            server_ = std::make_unique<DavServer>(dir_.filePath(QStringLiteral("dav")));
            if (!server_->start())
                return nullptr;
            QDir().mkpath(onDisk(kind));
        }
        return std::make_unique<WebDavPlace>(server_->url(), QString::fromLatin1(DavServer::User), password, 5000);
    }

    // The WebDAV place's address, for another process to reach it.
    QUrl url() const { return server_->url(); }

    // Where the place's files lie on disk.
    QString onDisk(const QString &kind) const
    {
        return kind == QLatin1String("folder") ? dir_.filePath(QStringLiteral("synced")) : server_->files() + QStringLiteral("/sync");
    }

    // Makes the place unreachable: the server stops, the folder goes.
    void takeAway(const QString &kind)
    {
        if (kind == QLatin1String("webdav"))
            server_->stop();
        else
            QDir(onDisk(kind)).removeRecursively();
    }

private:
    QTemporaryDir dir_;
    std::unique_ptr<DavServer> server_;
};
