#pragma once

#include "dialogs/ResultDialog.h"

class Prompter;
class QLabel;
class QLineEdit;
class QPushButton;

// Asks for a group name: empty and titled "新建组" for a new group, otherwise filled with the
// current name and titled "重命名组". OK ends it Accepted with the name, trimmed of blanks, in
// name(); Cancel or the close box end it Rejected. Duplicate names are the caller's business.
class frmrename : public ResultDialog
{
    Q_OBJECT

public:
    frmrename(AppState &state, Prompter &prompter, bool isNew, const QString &currentName, QWidget *parent);

    void cmdOK_Click();
    // The name entered, once accepted.
    QString name() const { return m_name; }

private:
    Prompter &m_prompter;
    QString m_name;
    QLabel *Label1 = nullptr;
    QLineEdit *txtname = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
};
