#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <unordered_map>

class QNetworkAccessManager;
class QNetworkReply;

// Downloads one URL at a time per call into a local file and reports each stage as events.
// Several downloads may run at once; every report of one download carries its local file path
// where the event has room for it.
//
// Status codes passed to Status/StatusCode/LastError:
//   0  error: the read failed (unreachable host, refused connection, HTTP error, file not written)
//   2  connecting to the host
//   3  redirected to another URL
//   4  the response headers arrived; data begins
//   5  data is arriving (DownloadProgress carries the counts)
//   6  all data has arrived
//   11 the request has been sent
class DmDownload : public QObject
{
    Q_OBJECT

public:
    // What to do with the data. Only ByteArray stores it in the local file; the other kinds are
    // read and counted but not stored.
    enum ReadType { Picture = 0, File = 1, ByteArray = 2 };
    enum Code : int {
        StatusError = 0,
        StatusConnecting = 2,
        StatusRedirecting = 3,
        StatusBeginData = 4,
        StatusDownloadingData = 5,
        StatusEndData = 6,
        StatusSendingRequest = 11,
    };

    explicit DmDownload(QObject *parent = nullptr);
    ~DmDownload() override;

    // Starts the download, always from the source (no cache). A URL that cannot be requested at
    // all raises LastError at once with status 0. The local file is replaced only when the whole
    // download succeeded, and then holds exactly the downloaded bytes.
    void DownloadFile(const QString &url, const QString &localFile, int readType);

    // True after a progress report of a running download; false after its completion or error.
    bool StillBusy() const { return stillBusy_; }
    int runningCount() const { return int(jobs_.size()); }

Q_SIGNALS:
    void DownloadProgress(qint64 bytesRead, qint64 totalBytes);
    void DownloadComplete(const QString &localFile, qint64 bytesRead, qint64 totalBytes);
    void LastError(const QString &localFile, const QString &statusText, int statusCode);
    void Status(const QString &statusText);
    void StatusCode(int statusCode);

private:
    struct Job;

    void progress(Job &job, int code, const QString &text);
    void failed(const QString &localFile, const QString &text);
    void onReadyRead(QNetworkReply *reply);
    void onFinished(QNetworkReply *reply);

    QNetworkAccessManager *net_; // child of this object
    std::unordered_map<QNetworkReply *, std::unique_ptr<Job>> jobs_;
    bool stillBusy_ = false;
};
