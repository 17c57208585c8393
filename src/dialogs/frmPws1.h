#pragma once

#include "dialogs/ResultDialog.h"

#include <functional>

class Prompter;
class QLabel;
class QLineEdit;
class QPushButton;

// Asks for the access password of the notebook being opened. Stays open until the typed password
// matches the stored one (Accepted, the password in gInputPassword) or the user gives up (Cancel,
// Esc or the close box: Rejected, gInputPassword as it was after the last attempt).
class frmPws1 : public ResultDialog
{
    Q_OBJECT

public:
    // matches checks a typed password; by default against the stored form in gPassword. An
    // encrypted notebook is checked (and unlocked) by its store instead, before it is opened.
    using Matcher = std::function<bool(const QString &typed)>;
    frmPws1(AppState &state, Prompter &prompter, QWidget *parent, Matcher matches = {});

    void cmdOK_Click();

private:
    Prompter &m_prompter;
    Matcher m_matches;
    QLabel *lblTitle = nullptr;
    QLineEdit *txtPws = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QLabel *Image1 = nullptr;
};
