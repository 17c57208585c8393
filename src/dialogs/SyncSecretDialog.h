#pragma once

#include <QDialog>

class Prompter;
class QLineEdit;

// The secrets a sync asks for. The sync passphrase is asked twice when it makes the key of a new
// place (a typing mistake there would lock every other computer out), once when joining a place
// or after a wrong one; the WebDAV server's password once, where no keyring keeps it.
class SyncSecretDialog : public QDialog
{
    Q_OBJECT

public:
    enum class Asked { NewPassphrase, Passphrase, ServerPassword };
    // server: the address and user name the password is for.
    SyncSecretDialog(Asked asked, Prompter &prompter, QWidget *parent, const QString &server = QString());

    QString secret() const;

private:
    void accepted();

    Prompter &prompter_;
    QLineEdit *txtSecret = nullptr;
    QLineEdit *txtRepeat = nullptr; // nullptr when asked once
};
