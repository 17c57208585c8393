#pragma once

#include "base/Prompter.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// A Prompter for tests: records every message and answers from queues. An empty queue gives the
// neutral answer (Ok for messages, "" for file choosers, nullopt for colour and font, Rejected for
// dialogs), so a test that forgets to script a step sees it fail rather than hang.
class ScriptedPrompter : public Prompter
{
public:
    struct Message
    {
        QString text;
        int style = 0;
        QString title;
        QString parentClass; // the class of the window it was shown over ("" = none)
    };

    // What exec() should do with the dialog: fill it in, click its buttons, and return the result.
    using DialogScript = std::function<int(QDialog *)>;

    QList<Message> messages;
    QStringList fileCaptions;    // caption of every file chooser shown
    QStringList fileFilters;     // filter of every file chooser shown
    QStringList fileFolders;     // start folder of every file chooser shown ("" = the default)
    QStringList offeredFilters;  // the filter a save chooser showed first, when the caller set one
    QStringList dialogClasses;   // class name of every dialog shown through exec()
    QStringList openedUrls;
    int beeps = 0;

    QQueue<int> msgAnswers;
    QQueue<QString> openAnswers;
    QQueue<QStringList> openManyAnswers;
    QQueue<QString> saveAnswers;
    QQueue<QString> saveFilterAnswers; // the filter chosen in a save chooser; none = the one offered
    QQueue<std::optional<QColor>> colorAnswers;
    QQueue<std::optional<QFont>> fontAnswers;
    QQueue<DialogScript> dialogScripts;
    bool openUrlResult = true;

    int msgBox(QWidget *parent, const QString &text, int style, const QString &title) override
    {
        messages.append({text, style, title, parent ? QString::fromLatin1(parent->metaObject()->className()) : QString()});
        return msgAnswers.isEmpty() ? Ok : msgAnswers.dequeue();
    }
    QString openFileName(QWidget *, const QString &caption, const QString &filter,
                         const QString &folder = QString()) override
    {
        fileCaptions.append(caption);
        fileFilters.append(filter);
        fileFolders.append(folder);
        return openAnswers.isEmpty() ? QString() : openAnswers.dequeue();
    }
    QStringList openFileNames(QWidget *, const QString &caption, const QString &filter,
                              const QString &folder) override
    {
        fileCaptions.append(caption);
        fileFilters.append(filter);
        fileFolders.append(folder);
        return openManyAnswers.isEmpty() ? QStringList() : openManyAnswers.dequeue();
    }
    QString folderName(QWidget *, const QString &caption, const QString &folder) override
    {
        fileCaptions.append(caption);
        fileFolders.append(folder);
        return openAnswers.isEmpty() ? QString() : openAnswers.dequeue();
    }
    QString saveFileName(QWidget *, const QString &caption, const QString &filter,
                         const QString &folder = QString(), QString *selectedFilter = nullptr) override
    {
        fileCaptions.append(caption);
        fileFilters.append(filter);
        fileFolders.append(folder);
        if (selectedFilter) {
            offeredFilters.append(*selectedFilter);
            if (!saveFilterAnswers.isEmpty())
                *selectedFilter = saveFilterAnswers.dequeue();
        }
        return saveAnswers.isEmpty() ? QString() : saveAnswers.dequeue();
    }
    std::optional<QColor> color(QWidget *, const QColor &) override
    {
        return colorAnswers.isEmpty() ? std::nullopt : colorAnswers.dequeue();
    }
    std::optional<QFont> font(QWidget *, const QFont &) override
    {
        return fontAnswers.isEmpty() ? std::nullopt : fontAnswers.dequeue();
    }
    int exec(QDialog *dialog) override
    {
        dialogClasses.append(QString::fromLatin1(dialog->metaObject()->className()));
        if (dialogScripts.isEmpty())
            return QDialog::Rejected;
        return dialogScripts.dequeue()(dialog);
    }
    void beep() override { ++beeps; }
    bool openUrl(const QString &url) override
    {
        openedUrls.append(url);
        return openUrlResult;
    }

    // Texts of all messages so far, for compact comparisons.
    QStringList messageTexts() const
    {
        QStringList out;
        for (const Message &m : messages)
            out.append(m.text);
        return out;
    }
};
