#include "mainwindow/CommandSupport.h"


#include <QEventLoop>
#include <QProgressDialog>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <thread>

namespace cmd {

QString notice()
{
    return QStringLiteral("提示");
}

QString crlf()
{
    return QStringLiteral("\r\n");
}

QString databaseFilter()
{
    return QStringLiteral("数据库文件(*.qbf)|*.qbf|");
}

QString chooserFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts.at(i);
        const QString pattern = parts.at(i + 1);
        if (description.isEmpty() && pattern.isEmpty())
            continue;
        if (description.contains(QLatin1Char('(')) && description.endsWith(QLatin1Char(')')))
            out.append(description);
        else
            out.append(description + QStringLiteral(" (") + pattern + QLatin1Char(')'));
    }
    return out.join(QStringLiteral(";;"));
}

int runWithProgress(QWidget *parent, const QString &label, const std::function<int()> &work,
                    int minimumDurationMs)
{
    QProgressDialog progress(label, QString(), 0, 0, parent);
    progress.setWindowTitle(notice());
    progress.setWindowModality(Qt::WindowModal);
    progress.setCancelButton(nullptr);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumDuration(minimumDurationMs);
    // The first value starts the dialog's own clock; it shows itself once the time is up.
    progress.setValue(0);

    std::atomic<bool> done{false};
    int result = 0;
    std::thread worker([&] {
        try {
            result = work();
        } catch (...) {
            result = 0;
        }
        done.store(true);
    });

    // Paint and timers go on while the work runs; clicks and keys wait, so nothing else can
    // touch the notebook meanwhile.
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done.load())
            loop.quit();
    });
    poll.start();
    if (!done.load())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    progress.hide();
    return result;
}

} // namespace cmd
