#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QWidget;

// Every message box, file chooser, colour and font dialog and every modal display of our own
// dialogs goes through this seam, so tests can answer them.
class Prompter
{
public:
    // Message box styles as the program uses them.
    enum Style { Plain = 0, Exclamation = 48, Question = 36, Information = 64,
                 // A question whose Yes throws work away: Enter must not answer it.
                 QuestionDefaultNo = Question | 256 };
    // Answers.
    enum Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

    virtual ~Prompter() = default;

    virtual int msgBox(QWidget *parent, const QString &text, int style, const QString &title) = 0;
    // "" when cancelled. filter is in Qt form, e.g. "数据库文件(*.qbf)". The chooser starts in
    // folder, or in the user's home when none is given. A save chooser never asks whether to
    // replace an existing file: each caller decides that itself.
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &filter,
                                 const QString &folder = QString()) = 0;
    // Several existing files; empty when cancelled.
    virtual QStringList openFileNames(QWidget *parent, const QString &caption, const QString &filter,
                                      const QString &folder) = 0;
    // selectedFilter, when given, holds the filter shown first and receives the one chosen.
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &filter,
                                 const QString &folder = QString(), QString *selectedFilter = nullptr) = 0;
    // A folder; "" when cancelled. Starts in folder, or in the user's home when none is given.
    virtual QString folderName(QWidget *parent, const QString &caption, const QString &folder) = 0;
    virtual std::optional<QColor> color(QWidget *parent, const QColor &initial) = 0;
    virtual std::optional<QFont> font(QWidget *parent, const QFont &initial) = 0;
    // Shows one of our own dialogs modally; returns QDialog::exec()'s result.
    virtual int exec(QDialog *dialog) = 0;
    virtual void beep() = 0;
    virtual bool openUrl(const QString &url) = 0;
};
