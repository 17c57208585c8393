#pragma once

#include "store/Search.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <thread>

// Brings a notebook's search index up to date on a worker thread, over a connection of its own
// to the same file, while the window goes on using its own. Each batch is a transaction of its
// own: a cancel keeps what was done, and the next build resumes from there.
class IndexBuild : public QObject
{
    Q_OBJECT

public:
    IndexBuild(const QString &path, TextExtractor extractor, QObject *parent = nullptr);
    // Cancels and waits for the worker: never longer than one batch.
    ~IndexBuild() override;

    void cancel() { m_cancel.store(true); }

Q_SIGNALS:
    void progress(qint64 done, qint64 total);
    // complete: every note is indexed; else cancelled or failed (error says which).
    void finished(bool complete, const QString &error);

private:
    std::atomic<bool> m_cancel{false};
    std::thread m_worker;
};
