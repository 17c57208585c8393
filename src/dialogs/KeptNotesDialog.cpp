#include "dialogs/KeptNotesDialog.h"

#include "base/Prompter.h"
#include "dialogs/DialogLook.h"
#include "rtf/Rtf.h"
#include "store/Notebook.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QSplitter>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

using DialogLook::named;

KeptNotesDialog::KeptNotesDialog(Notebook &db, Prompter &prompter, const QString &title,
                                 const QStringList &columns, QWidget *parent)
    : QDialog(parent), db_(db), prompter_(prompter)
{
    DialogLook::prepareDialog(this, false);
    setWindowTitle(title);
    resize(720, 440);

    lstKept = named<QTreeWidget>("lstKept", this);
    lstKept->setRootIsDecorated(false);
    lstKept->setHeaderLabels(columns);
    lstKept->header()->setStretchLastSection(true);
    txtPreview = named<QTextEdit>("txtPreview", this);
    txtPreview->setReadOnly(true);
    split_ = new QSplitter(this);
    split_->addWidget(lstKept);
    split_->addWidget(txtPreview);
    split_->setStretchFactor(1, 1);

    buttons_ = new QHBoxLayout;
    buttons_->addStretch();
    auto *cmdClose = named<QPushButton>("cmdClose", this, QStringLiteral("关闭"));
    buttons_->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(split_, 1);
    layout->addLayout(buttons_);

    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(lstKept, &QTreeWidget::currentItemChanged, this, &KeptNotesDialog::showSelected);
}

void KeptNotesDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Every column as wide as its title and its texts, and the list as wide as its columns, so
    // nothing is cut at first sight; the preview keeps at least a third of the dialog.
    QHeaderView *header = lstKept->header();
    header->setStretchLastSection(false);
    for (int c = 0; c < header->count(); ++c)
        lstKept->resizeColumnToContents(c);
    const int wanted = header->length() + 2 * lstKept->frameWidth() + lstKept->verticalScrollBar()->sizeHint().width();
    header->setStretchLastSection(true);
    const int total = split_->width();
    const int list = qMin(wanted, total - total / 3);
    split_->setSizes({list, total - list});
}

void KeptNotesDialog::addRow(qint64 id, const QStringList &texts)
{
    auto *item = new QTreeWidgetItem(lstKept, texts);
    item->setData(0, Qt::UserRole, id);
}

qint64 KeptNotesDialog::selectedId() const
{
    const QTreeWidgetItem *item = lstKept->currentItem();
    return item ? item->data(0, Qt::UserRole).toLongLong() : -1;
}

QPushButton *KeptNotesDialog::addButton(const char *name, const QString &text)
{
    auto *button = named<QPushButton>(name, this, text);
    buttons_->insertWidget(buttons_->count() - 1, button);
    return button;
}

void KeptNotesDialog::addAtRowStart(QWidget *widget)
{
    buttons_->insertWidget(leading_++, widget);
}

bool KeptNotesDialog::ask(const QString &question)
{
    return prompter_.msgBox(this, question, Prompter::Question, QStringLiteral("提示")) == Prompter::Yes;
}

void KeptNotesDialog::tell(const QString &text)
{
    prompter_.msgBox(this, text, Prompter::Exclamation, QStringLiteral("提示"));
}

void KeptNotesDialog::showSelected()
{
    const qint64 id = selectedId();
    const std::optional<NoteVersion> v = id < 0 ? std::nullopt : load(id);
    if (!v)
        txtPreview->clear();
    else
        rtf::readInto(v->note.NoteBody, txtPreview->document());
}
