#include "mainwindow/IndexBuild.h"

#include "store/DBase.h"

IndexBuild::IndexBuild(const QString &path, TextExtractor extractor, QObject *parent)
    : QObject(parent)
{
    m_worker = std::thread([this, path, extractor = std::move(extractor)] {
        DBase db;
        db.SetTextExtractor(extractor);
        db.DatabasePath = path;
        db.OpenDatabase();
        // Signals go to the window's thread; once this object is gone, nothing is delivered.
        const auto tell = [this](auto &&call) { QMetaObject::invokeMethod(this, call, Qt::QueuedConnection); };
        int ok = 0;
        if (db.DatabaseIsOpen) {
            ok = db.BuildIndex([&](qint64 done, qint64 total) { tell([this, done, total] {
                                   Q_EMIT progress(done, total);
                               }); },
                               &m_cancel);
        }
        const QString error = db.lastError();
        db.CloseDatabase();
        tell([this, ok, error] { Q_EMIT finished(ok == 1, error); });
    });
}

IndexBuild::~IndexBuild()
{
    cancel();
    m_worker.join();
}
