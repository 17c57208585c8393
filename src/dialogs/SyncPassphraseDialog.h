#pragma once

#include <QDialog>

class Prompter;
class QLineEdit;

// The sync passphrase: asked twice when it makes the key of a new place (a typing mistake there
// would lock every other computer out), once when joining a place or after a wrong one.
class SyncPassphraseDialog : public QDialog
{
    Q_OBJECT

public:
    SyncPassphraseDialog(bool newPlace, Prompter &prompter, QWidget *parent);

    QString passphrase() const;

private:
    void accepted();

    Prompter &prompter_;
    QLineEdit *txtPassphrase = nullptr;
    QLineEdit *txtRepeat = nullptr; // nullptr when asked once
};
