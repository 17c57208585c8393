#pragma once

#include "base/Prompter.h"

// The real dialogs: message boxes, file choosers, colour and font dialogs, modal display.
class QtPrompter : public Prompter
{
public:
    int msgBox(QWidget *parent, const QString &text, int style, const QString &title) override;
    QString openFileName(QWidget *parent, const QString &caption, const QString &filter,
                         const QString &folder = QString()) override;
    QStringList openFileNames(QWidget *parent, const QString &caption, const QString &filter,
                              const QString &folder) override;
    QString folderName(QWidget *parent, const QString &caption, const QString &folder) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &filter,
                         const QString &folder = QString(), QString *selectedFilter = nullptr) override;
    std::optional<QColor> color(QWidget *parent, const QColor &initial) override;
    std::optional<QFont> font(QWidget *parent, const QFont &initial) override;
    int exec(QDialog *dialog) override;
    void beep() override;
    bool openUrl(const QString &url) override;
};
