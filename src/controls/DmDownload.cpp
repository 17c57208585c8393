#include "controls/DmDownload.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QUrl>

struct DmDownload::Job
{
    QString localFile;
    QString url;
    int readType = ByteArray;
    std::unique_ptr<QSaveFile> out; // opened with the first bytes
    qint64 received = 0;
    qint64 total = 0;
    int lastCode = StatusError;
    bool headersSeen = false;
    QString writeError;
};

DmDownload::DmDownload(QObject *parent)
    : QObject(parent), net_(new QNetworkAccessManager(this))
{
}

DmDownload::~DmDownload()
{
    // Unfinished downloads end silently; their partial files are discarded by QSaveFile.
    for (auto &[reply, job] : jobs_) {
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
    jobs_.clear();
}

void DmDownload::failed(const QString &localFile, const QString &text)
{
    stillBusy_ = false;
    Q_EMIT LastError(localFile, text, StatusError);
    Q_EMIT Status(text);
    Q_EMIT StatusCode(StatusError);
}

void DmDownload::progress(Job &job, int code, const QString &text)
{
    job.lastCode = code;
    Q_EMIT Status(text);
    Q_EMIT DownloadProgress(job.received, job.total);
    Q_EMIT StatusCode(code);
    stillBusy_ = true;
}

void DmDownload::DownloadFile(const QString &url, const QString &localFile, int readType)
{
    const QUrl u(url, QUrl::StrictMode);
    if (!u.isValid() || u.scheme().isEmpty()
        || !net_->supportedSchemes().contains(u.scheme(), Qt::CaseInsensitive)) {
        Q_EMIT LastError(localFile, tr("Cannot download from \"%1\": not a usable URL").arg(url),
                         StatusError);
        return;
    }
    if (readType == ByteArray && localFile.isEmpty()) {
        Q_EMIT LastError(localFile, tr("No local file to download into"), StatusError);
        return;
    }

    QNetworkRequest request(u);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    QNetworkReply *reply = net_->get(request);

    auto job = std::make_unique<Job>();
    job->localFile = localFile;
    job->url = u.toString();
    job->readType = readType;
    jobs_.emplace(reply, std::move(job));

    connect(reply, &QNetworkReply::socketStartedConnecting, this, [this, reply] {
        if (auto it = jobs_.find(reply); it != jobs_.end())
            progress(*it->second, StatusConnecting, it->second->url);
    });
    connect(reply, &QNetworkReply::requestSent, this, [this, reply] {
        if (auto it = jobs_.find(reply); it != jobs_.end())
            progress(*it->second, StatusSendingRequest, it->second->url);
    });
    connect(reply, &QNetworkReply::redirected, this, [this, reply](const QUrl &to) {
        auto it = jobs_.find(reply);
        if (it == jobs_.end())
            return;
        it->second->headersSeen = false; // the next response is the one that carries the data
        it->second->total = 0;
        progress(*it->second, StatusRedirecting, to.toString());
    });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        auto it = jobs_.find(reply);
        if (it == jobs_.end() || it->second->headersSeen)
            return;
        const int http = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (http >= 300 && http < 400 && reply->hasRawHeader("Location"))
            return; // a redirect's own headers: no data comes with them
        Job &j = *it->second;
        j.headersSeen = true;
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid())
            j.total = length.toLongLong();
        const QString type = reply->header(QNetworkRequest::ContentTypeHeader).toString();
        progress(j, StatusBeginData, type.isEmpty() ? j.url : type);
    });
    connect(reply, &QNetworkReply::downloadProgress, this,
            [this, reply](qint64 received, qint64 total) {
                auto it = jobs_.find(reply);
                if (it == jobs_.end() || received <= 0)
                    return;
                Job &j = *it->second;
                if (total > 0)
                    j.total = total;
                progress(j, StatusDownloadingData, j.url);
            });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { onReadyRead(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onFinished(reply); });
}

void DmDownload::onReadyRead(QNetworkReply *reply)
{
    auto it = jobs_.find(reply);
    if (it == jobs_.end())
        return;
    Job &j = *it->second;
    const QByteArray chunk = reply->readAll();
    j.received += chunk.size();
    if (j.readType != ByteArray || !j.writeError.isEmpty())
        return;
    if (!j.out) {
        j.out = std::make_unique<QSaveFile>(j.localFile);
        if (!j.out->open(QIODevice::WriteOnly)) {
            j.writeError = j.out->errorString();
            return;
        }
    }
    if (j.out->write(chunk) != chunk.size())
        j.writeError = j.out->errorString();
}

void DmDownload::onFinished(QNetworkReply *reply)
{
    auto it = jobs_.find(reply);
    if (it == jobs_.end())
        return;
    // Any bytes still buffered (a reply may finish without a last readyRead).
    if (reply->bytesAvailable() > 0)
        onReadyRead(reply);
    std::unique_ptr<Job> job = std::move(it->second);
    jobs_.erase(it);
    reply->deleteLater();

    if (reply->error() != QNetworkReply::NoError) {
        if (job->out)
            job->out->cancelWriting();
        failed(job->localFile, reply->errorString());
        return;
    }
    if (job->total <= 0)
        job->total = job->received;
    progress(*job, StatusEndData, job->url);

    stillBusy_ = false;
    if (job->received == 0) {
        // Nothing to store: an existing file of that name stays as it was.
        Q_EMIT LastError(job->localFile, tr("No data received from %1").arg(job->url), job->lastCode);
        return;
    }
    if (job->readType == ByteArray) {
        if (job->writeError.isEmpty() && !job->out->commit())
            job->writeError = job->out->errorString();
        if (!job->writeError.isEmpty()) {
            // The download is not complete for the user if the file did not get written.
            failed(job->localFile,
                   tr("Cannot write \"%1\": %2").arg(job->localFile, job->writeError));
            return;
        }
    }
    Q_EMIT DownloadComplete(job->localFile, job->received, job->total);
}
