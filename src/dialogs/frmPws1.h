#pragma once

#include "dialogs/ResultDialog.h"

class Prompter;
class QLabel;
class QLineEdit;
class QPushButton;

// Asks for the access password of the notebook being opened. Stays open until the typed password
// matches the stored one (Accepted, the password in gInputPassword) or the user gives up (Cancel
// or the close box: Rejected, gInputPassword as it was after the last attempt).
class frmPws1 : public ResultDialog
{
    Q_OBJECT

public:
    frmPws1(AppState &state, Prompter &prompter, QWidget *parent);

    void cmdOK_Click();

private:
    Prompter &m_prompter;
    QLabel *lblTitle = nullptr;
    QLineEdit *txtPws = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QLabel *Image1 = nullptr;
};
