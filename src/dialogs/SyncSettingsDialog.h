#pragma once

#include "sync/NotebookReplica.h"

#include <QDialog>

#include <optional>

class Prompter;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Where a notebook syncs: a folder on a WebDAV server (address, user name, password) or a local
// folder another program keeps in step, and whether it syncs by itself. The same dialog asks
// where to take a new notebook from (forJoining: no automatic switch then, it is asked later).
class SyncSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    SyncSettingsDialog(const std::optional<SyncSettings> &shown, bool forJoining, Prompter &prompter,
                       QWidget *parent);

    // What the user chose, once accepted.
    SyncSettings settings() const;

private:
    void kindChanged();
    void browse();
    void accepted();

    Prompter &prompter_;
    QRadioButton *optWebDav = nullptr;
    QRadioButton *optFolder = nullptr;
    QLineEdit *txtAddress = nullptr;
    QLineEdit *txtUser = nullptr;
    QLineEdit *txtPassword = nullptr;
    QLineEdit *txtFolder = nullptr;
    QPushButton *cmdBrowse = nullptr;
    QCheckBox *chkAuto = nullptr;
};
