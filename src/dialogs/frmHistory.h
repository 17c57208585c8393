#pragma once

#include "dialogs/KeptNotesDialog.h"

#include <functional>

// "历史版本": the kept versions of one note (when saved, title, size), a preview of each, and
// restoring one, which is itself a save and so joins the history too.
class frmHistory : public KeptNotesDialog
{
    Q_OBJECT

public:
    // saveDate gives the date text of a save made now, as the editor writes it.
    frmHistory(Notebook &db, Prompter &prompter, qint64 noteId, std::function<QString()> saveDate,
               QWidget *parent);

    void cmdRestore_Click();

protected:
    void reload() override;
    std::optional<NoteVersion> load(qint64 id) override;

private:
    qint64 noteId_;
    std::function<QString()> saveDate_;
};
