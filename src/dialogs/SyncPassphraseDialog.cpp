#include "dialogs/SyncPassphraseDialog.h"

#include "base/Prompter.h"
#include "dialogs/DialogLook.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace DialogLook;

SyncPassphraseDialog::SyncPassphraseDialog(bool newPlace, Prompter &prompter, QWidget *parent)
    : QDialog(parent), prompter_(prompter)
{
    setObjectName(QStringLiteral("SyncPassphraseDialog"));
    prepareDialog(this, true);
    setWindowTitle(QStringLiteral("同步口令"));
    auto *said = named<QLabel>(
        "lblSaid", this,
        newPlace ? QStringLiteral("同步位置还是空的。请设一个同步口令，\n其他电脑加入时要输入它。同步口令不会保存，请记住它。")
                 : QStringLiteral("请输入这个同步位置的同步口令。"));
    txtPassphrase = named<QLineEdit>("txtPassphrase", this);
    txtPassphrase->setEchoMode(QLineEdit::Password);
    txtPassphrase->setMinimumWidth(240);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("同步口令："), txtPassphrase);
    if (newPlace) {
        txtRepeat = named<QLineEdit>("txtRepeat", this);
        txtRepeat->setEchoMode(QLineEdit::Password);
        form->addRow(QStringLiteral("再输一次："), txtRepeat);
    }
    auto [cmdOK, cmdCancel] = okCancelButtons(this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(said);
    layout->addLayout(form);
    layout->addLayout(buttonRow(cmdOK, cmdCancel));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(cmdOK, &QPushButton::clicked, this, &SyncPassphraseDialog::accepted);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    cmdOK->setDefault(true);
}

QString SyncPassphraseDialog::passphrase() const
{
    return txtPassphrase->text();
}

void SyncPassphraseDialog::accepted()
{
    QString wrong;
    if (txtPassphrase->text().isEmpty())
        wrong = QStringLiteral("请输入同步口令。");
    else if (txtRepeat && txtRepeat->text() != txtPassphrase->text())
        wrong = QStringLiteral("两次输入的同步口令不一样。");
    if (!wrong.isEmpty()) {
        prompter_.msgBox(this, wrong, Prompter::Exclamation, QStringLiteral("提示"));
        txtPassphrase->setFocus();
        return;
    }
    accept();
}
