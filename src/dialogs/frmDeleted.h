#pragma once

#include "dialogs/KeptNotesDialog.h"

class QComboBox;

// "最近删除": notes deleted on their own or with their group (title, group, when), a preview,
// restoring one into its group (recreated when it is gone too) or into a chosen one, and "清空".
class frmDeleted : public KeptNotesDialog
{
    Q_OBJECT

public:
    frmDeleted(Notebook &db, Prompter &prompter, QWidget *parent);

    void cmdRestore_Click();
    void cmdEmpty_Click();

protected:
    void reload() override;
    std::optional<NoteVersion> load(qint64 id) override;

private:
    QComboBox *cboGroup = nullptr;
};
