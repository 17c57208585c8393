#include "sync/WebDavPlace.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

const QByteArray kListBody = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                             "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:resourcetype/><d:getcontentlength/></d:prop>"
                             "</d:propfind>";

struct Listed
{
    QString path; // decoded, without a trailing '/'
    qint64 size = 0;
    bool folder = false;
};

// The responses of a multistatus answer; nullopt when it is not one.
std::optional<QList<Listed>> parseMultistatus(const QByteArray &xml)
{
    QXmlStreamReader r(xml);
    QList<Listed> out;
    Listed current;
    bool sawMultistatus = false;
    while (!r.atEnd()) {
        r.readNext();
        if (r.namespaceUri() != QLatin1String("DAV:"))
            continue;
        if (r.isStartElement()) {
            const auto name = r.name();
            if (name == QLatin1String("multistatus"))
                sawMultistatus = true;
            else if (name == QLatin1String("response"))
                current = Listed();
            else if (name == QLatin1String("href"))
                current.path = QUrl::fromPercentEncoding(r.readElementText().trimmed().toUtf8());
            else if (name == QLatin1String("collection"))
                current.folder = true;
            else if (name == QLatin1String("getcontentlength"))
                current.size = r.readElementText().trimmed().toLongLong();
        } else if (r.isEndElement() && r.name() == QLatin1String("response")) {
            // An href may be a whole URL or a path; only its path is compared.
            QString path = QUrl(current.path).path();
            while (path.endsWith(QLatin1Char('/')))
                path.chop(1);
            current.path = path;
            out.append(current);
        }
    }
    if (r.hasError() || !sawMultistatus)
        return std::nullopt;
    return out;
}

bool oneOf(int status, std::initializer_list<int> good)
{
    return std::find(good.begin(), good.end(), status) != good.end();
}

} // namespace

WebDavPlace::WebDavPlace(const QUrl &root, const QString &user, const QString &password, int timeoutMs)
    : root_(root)
    , timeoutMs_(timeoutMs)
{
    if (!root_.path().endsWith(QLatin1Char('/')))
        root_.setPath(root_.path() + QLatin1Char('/'));
    if (!user.isEmpty() || !password.isEmpty())
        authorization_ = "Basic " + (user + QLatin1Char(':') + password).toUtf8().toBase64();
    network_.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

QUrl WebDavPlace::urlOf(const QString &path, bool folder) const
{
    QUrl url = root_;
    QString p = root_.path() + path;
    if (folder && !p.endsWith(QLatin1Char('/')))
        p += QLatin1Char('/');
    url.setPath(p);
    return url;
}

WebDavPlace::Reply WebDavPlace::send(const QByteArray &verb, const QUrl &url, const QByteArray &body,
                                     const QList<std::pair<QByteArray, QByteArray>> &headers)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs_);
    if (!authorization_.isEmpty())
        request.setRawHeader("Authorization", authorization_);
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    QNetworkReply *reply = network_.sendCustomRequest(request, verb, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    Reply r;
    r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.body = reply->readAll();
    if (r.status == 0)
        error_ = reply->errorString();
    reply->deleteLater();
    return r;
}

bool WebDavPlace::failed(const Reply &r, const QUrl &url)
{
    if (r.status == 0)
        return fail(QStringLiteral("%1: %2").arg(url.toString(QUrl::RemoveUserInfo), error_));
    return fail(QStringLiteral("%1: the server answered %2").arg(url.toString(QUrl::RemoveUserInfo)).arg(r.status),
                r.status == 401 || r.status == 403);
}

std::optional<QList<SyncPlace::Entry>> WebDavPlace::list(const QString &folder)
{
    const QUrl url = urlOf(folder, true);
    const Reply r = send("PROPFIND", url, kListBody,
                         {{"Depth", "1"}, {"Content-Type", "application/xml; charset=utf-8"}});
    if (r.status != 207) {
        failed(r, url);
        return std::nullopt;
    }
    const std::optional<QList<Listed>> listed = parseMultistatus(r.body);
    if (!listed) {
        fail(QStringLiteral("%1: not a WebDAV listing").arg(url.toString(QUrl::RemoveUserInfo)));
        return std::nullopt;
    }
    QString self = url.path();
    while (self.endsWith(QLatin1Char('/')))
        self.chop(1);
    QList<Entry> entries;
    for (const Listed &l : *listed) {
        if (l.path == self || !l.path.startsWith(self + QLatin1Char('/')))
            continue;
        const QString name = l.path.mid(self.size() + 1);
        if (!name.isEmpty() && !name.contains(QLatin1Char('/')) && !isPartName(name))
            entries.append({name, l.size, l.folder});
    }
    return entries;
}

std::optional<QByteArray> WebDavPlace::get(const QString &path)
{
    const QUrl url = urlOf(path);
    Reply r = send("GET", url);
    if (r.status != 200) {
        failed(r, url);
        return std::nullopt;
    }
    return std::move(r.body);
}

bool WebDavPlace::put(const QString &path, const QByteArray &bytes)
{
    const QUrl part = urlOf(partNameFor(path));
    const QUrl final = urlOf(path);
    const Reply sent = send("PUT", part, bytes, {{"Content-Type", "application/octet-stream"}});
    if (!oneOf(sent.status, {200, 201, 204}))
        return failed(sent, part);
    const Reply moved = send("MOVE", part, {}, {{"Destination", final.toEncoded()}, {"Overwrite", "T"}});
    if (oneOf(moved.status, {201, 204}))
        return true;
    failed(moved, final);
    const QString why = error_;
    send("DELETE", part);
    return fail(why);
}

bool WebDavPlace::makeFolder(const QString &path)
{
    const QUrl url = urlOf(path, true);
    const Reply r = send("MKCOL", url);
    // 405: something is there already; a listing tells whether it is a folder.
    if (r.status == 201 || (r.status == 405 && list(path)))
        return true;
    return failed(r, url);
}

bool WebDavPlace::remove(const QString &path)
{
    const QUrl url = urlOf(path);
    const Reply r = send("DELETE", url);
    if (oneOf(r.status, {200, 204, 404}))
        return true;
    return failed(r, url);
}
