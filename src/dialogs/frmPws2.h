#pragma once

#include "dialogs/ResultDialog.h"
#include <QString>

class Prompter;
class QLabel;
class QLineEdit;
class QPushButton;

// Sets, changes or removes the access password. storedPassword is the stored form of the current
// one ("" = none). On OK: Accepted and the new password in gInputPassword ("" removes it, once
// the user has said yes to that); Cancel, Esc or the close box: Rejected. Nothing is written
// here; the caller does that.
class frmPws2 : public ResultDialog
{
    Q_OBJECT

public:
    frmPws2(AppState &state, Prompter &prompter, const QString &storedPassword, QWidget *parent);

    void cmdOK_Click();
    // The old password as typed, for the caller to open copies made under it.
    QString typedOldPassword() const;

private:
    Prompter &m_prompter;
    QString m_stored;
    QLabel *lblTitle1 = nullptr;
    QLabel *lblTitle2 = nullptr;
    QLineEdit *txtOld = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *txtPass1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtPass2 = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QLabel *Image1 = nullptr;
};
