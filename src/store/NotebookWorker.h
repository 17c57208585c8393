#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class NoteIndexHook;
class Notebook;

// Runs long notebook work (building the search index, a search while it is being built, the
// check for damage) on a thread of its own, over a session of its own on the same file, while
// the caller goes on using its own session.
class NotebookWorker : public QObject
{
    Q_OBJECT

public:
    // work runs on the worker thread with the notebook at path open, followed by index (isOpen()
    // tells whether that worked); done runs afterwards on this object's thread, unless the
    // object is gone.
    using Work = std::function<void(Notebook &db, NotebookWorker &worker)>;
    NotebookWorker(const QString &path, std::shared_ptr<const NoteIndexHook> index, Work work,
                   std::function<void()> done, QObject *parent = nullptr);
    // Asks the work to stop and waits for it.
    ~NotebookWorker() override;

    void cancel() { m_cancel.store(true); }
    // For the work: set once it should stop.
    const std::atomic<bool> *cancelled() const { return &m_cancel; }
    // For the work: runs call on this object's thread.
    void post(std::function<void()> call);

private:
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};
