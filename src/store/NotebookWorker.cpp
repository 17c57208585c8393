#include "store/NotebookWorker.h"

#include "store/NoteIndexHook.h"
#include "store/Notebook.h"

NotebookWorker::NotebookWorker(const QString &path, std::shared_ptr<const NoteIndexHook> index, Work work,
                               std::function<void()> done, QObject *parent)
    : QObject(parent)
{
    m_thread = std::thread([this, path, index = std::move(index), work = std::move(work),
                            done = std::move(done)] {
        Notebook db;
        db.setIndex(index);
        db.open(path);
        work(db, *this);
        db.close();
        post(done);
    });
}

NotebookWorker::~NotebookWorker()
{
    cancel();
    m_thread.join();
}

void NotebookWorker::post(std::function<void()> call)
{
    // A call posted to an object that is gone by then is dropped.
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}
