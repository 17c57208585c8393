#pragma once

#include "exchange/Export.h"

#include <QDialog>

class Prompter;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace exchange {

// Asks what a group or the notebook is exported as and into which folder (typed, or chosen with
// 浏览...). OK with an empty folder is refused.
class ExportFolderDialog : public QDialog
{
    Q_OBJECT

public:
    // what: the group's or the notebook's name; folder: where the folder chooser starts.
    ExportFolderDialog(Prompter &prompter, const QString &what, const QString &folder, QWidget *parent);

    Format format() const;
    QString folder() const;

private:
    void browse();
    void confirm();

    Prompter &m_prompter;
    QString m_start;
    QComboBox *cboFormat = nullptr;
    QLineEdit *txtFolder = nullptr;
};

} // namespace exchange
