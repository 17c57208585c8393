#pragma once

#include "dialogs/KeptNotesDialog.h"

#include <functional>

// "冲突": the notes changed on two computers between syncs (the version shown is the same on
// every computer, the others are in the note's history), until the user picks a version in the
// history (a restore is a save, which settles it) or dismisses the mark here.
class ConflictsDialog : public KeptNotesDialog
{
    Q_OBJECT

public:
    // showVersions opens a note's history over this dialog; true when a version was restored.
    ConflictsDialog(Notebook &db, Prompter &prompter, std::function<bool(qint64 noteId)> showVersions,
                    QWidget *parent);

    void cmdVersions_Click();
    void cmdDismiss_Click();

protected:
    void reload() override;
    std::optional<NoteVersion> load(qint64 id) override;

private:
    std::function<bool(qint64)> showVersions_;
};
