#pragma once

#include "dialogs/ResultDialog.h"

#include <QString>
#include <functional>
#include <optional>

class Notebook;
class Prompter;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// Asks for the access password of the notebook being opened. Stays open until the typed password
// matches the stored one (Accepted, the password in gInputPassword) or the user gives up (Cancel,
// Esc or the close box: Rejected, gInputPassword as it was after the last attempt).
class frmPws1 : public ResultDialog
{
    Q_OBJECT

public:
    // matches checks a typed password; by default against the stored form in gPassword.
    using Matcher = std::function<bool(const QString &typed)>;
    frmPws1(AppState &state, Prompter &prompter, QWidget *parent, Matcher matches = {});
    // For the encrypted notebook at path: each attempt derives its key off the window's thread
    // (the dialog goes on taking events, Cancel included) and keeper keeps the key that unlocks.
    frmPws1(AppState &state, Prompter &prompter, QWidget *parent, Notebook &keeper, const QString &path);

    // Returns once the attempt has been checked or given up.
    void cmdOK_Click();

private:
    // Whether typed unlocks the notebook; nullopt when the dialog was closed meanwhile.
    std::optional<bool> unlocks(const QString &typed);
    void showChecking(bool checking);

    Prompter &m_prompter;
    Matcher m_matches;
    Notebook *m_keeper = nullptr;
    QString m_path;
    bool m_checking = false;
    QLabel *lblTitle = nullptr;
    QLineEdit *txtPws = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *lblChecking = nullptr;
    QProgressBar *barChecking = nullptr;
};
