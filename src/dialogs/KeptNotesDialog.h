#pragma once

#include "store/History.h"

#include <QDialog>
#include <QStringList>
#include <QtGlobal>

#include <optional>

class Notebook;
class Prompter;
class QHBoxLayout;
class QPushButton;
class QSplitter;
class QTextEdit;
class QTreeWidget;

// What the history and the recently deleted windows share: a list of kept notes, a read-only
// preview of the selected one and a row of buttons ending in "关闭". changed() tells the caller
// that the notebook was written, so it reloads its tree and list.
class KeptNotesDialog : public QDialog
{
    Q_OBJECT

public:
    bool changed() const { return changed_; }

protected:
    KeptNotesDialog(Notebook &db, Prompter &prompter, const QString &title, const QStringList &columns,
                    QWidget *parent);
    // Fills the list again; called at once by subclasses' constructors and after each change.
    virtual void reload() = 0;
    // The version behind a list row, for the preview; nothing when it cannot be read.
    virtual std::optional<NoteVersion> load(qint64 id) = 0;

    void addRow(qint64 id, const QStringList &texts);
    qint64 selectedId() const; // -1 when nothing is selected
    QPushButton *addButton(const char *name, const QString &text); // before "关闭"
    void addAtRowStart(QWidget *widget); // left of the stretch, after what was added before
    bool ask(const QString &question); // Yes/No through the Prompter
    void tell(const QString &text);

    Notebook &db_;
    Prompter &prompter_;
    QTreeWidget *lstKept = nullptr;
    QTextEdit *txtPreview = nullptr;
    bool changed_ = false;

    void showEvent(QShowEvent *event) override;

private:
    void showSelected();
    QSplitter *split_ = nullptr;
    QHBoxLayout *buttons_ = nullptr;
    int leading_ = 0;
};
