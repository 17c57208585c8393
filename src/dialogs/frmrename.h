#pragma once

#include "dialogs/ResultDialog.h"

class Prompter;
class QLabel;
class QLineEdit;
class QPushButton;

// Asks for a group name: empty and titled "新建组" when IsNewGroup, otherwise filled with
// CurrentGroupName and titled "重命名组". OK leaves the name, trimmed of blanks, in
// CurrentGroupName with DialogResult 1; Cancel or the close box set DialogResult 2 and leave
// CurrentGroupName alone. Duplicate names are the caller's business.
class frmrename : public ResultDialog
{
    Q_OBJECT

public:
    frmrename(AppState &state, Prompter &prompter, QWidget *parent);

    void cmdOK_Click();

private:
    Prompter &m_prompter;
    QLabel *Label1 = nullptr;
    QLineEdit *txtname = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
};
