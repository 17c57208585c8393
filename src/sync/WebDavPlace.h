#pragma once

#include "sync/SyncPlace.h"

#include <QNetworkAccessManager>
#include <QUrl>

// A folder on a WebDAV server as the place of the sync files. Only GET, PUT, PROPFIND (depth
// 1), MKCOL, DELETE and MOVE are used: no locks and no conditional requests, which every server
// (and the NAS boxes and cloud services that speak WebDAV) answers the same way. Calls block;
// make and use the place on one thread that is not the window's.
class WebDavPlace : public SyncPlace
{
public:
    WebDavPlace(const QUrl &root, const QString &user, const QString &password, int timeoutMs = 30000);

    std::optional<QList<Entry>> list(const QString &folder) override;
    std::optional<QByteArray> get(const QString &path) override;
    bool put(const QString &path, const QByteArray &bytes) override;
    bool makeFolder(const QString &path) override;
    bool remove(const QString &path) override;

private:
    struct Reply
    {
        int status = 0; // 0: no answer at all
        QByteArray body;
    };
    Reply send(const QByteArray &verb, const QUrl &url, const QByteArray &body = {},
               const QList<std::pair<QByteArray, QByteArray>> &headers = {});
    QUrl urlOf(const QString &path, bool folder = false) const;
    bool failed(const Reply &r, const QUrl &url);

    QNetworkAccessManager network_;
    QUrl root_;
    QByteArray authorization_;
    int timeoutMs_;
};
