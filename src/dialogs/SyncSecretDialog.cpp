#include "dialogs/SyncSecretDialog.h"

#include "base/Prompter.h"
#include "dialogs/DialogLook.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace DialogLook;

SyncSecretDialog::SyncSecretDialog(Asked asked, Prompter &prompter, QWidget *parent, const QString &server)
    : QDialog(parent), prompter_(prompter)
{
    setObjectName(QStringLiteral("SyncSecretDialog"));
    prepareDialog(this, true);
    const bool password = asked == Asked::ServerPassword;
    setWindowTitle(password ? QStringLiteral("WebDAV 密码") : QStringLiteral("同步口令"));
    QString said;
    switch (asked) {
    case Asked::NewPassphrase:
        said = QStringLiteral("同步位置还是空的。请设一个同步口令，\n其他电脑加入时要输入它。同步口令不会保存，请记住它。");
        break;
    case Asked::Passphrase: said = QStringLiteral("请输入这个同步位置的同步口令。"); break;
    case Asked::ServerPassword: said = QStringLiteral("请输入 WebDAV 服务器的密码：\n") + server; break;
    }
    auto *lblSaid = named<QLabel>("lblSaid", this, said);
    txtSecret = named<QLineEdit>("txtSecret", this);
    txtSecret->setEchoMode(QLineEdit::Password);
    txtSecret->setMinimumWidth(240);
    auto *form = new QFormLayout;
    form->addRow(password ? QStringLiteral("密码：") : QStringLiteral("同步口令："), txtSecret);
    if (asked == Asked::NewPassphrase) {
        txtRepeat = named<QLineEdit>("txtRepeat", this);
        txtRepeat->setEchoMode(QLineEdit::Password);
        form->addRow(QStringLiteral("再输一次："), txtRepeat);
    }
    auto [cmdOK, cmdCancel] = okCancelButtons(this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblSaid);
    layout->addLayout(form);
    layout->addLayout(buttonRow(cmdOK, cmdCancel));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(cmdOK, &QPushButton::clicked, this, &SyncSecretDialog::accepted);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    cmdOK->setDefault(true);
}

QString SyncSecretDialog::secret() const
{
    return txtSecret->text();
}

void SyncSecretDialog::accepted()
{
    QString wrong;
    if (txtSecret->text().isEmpty())
        wrong = txtRepeat || windowTitle() == QStringLiteral("同步口令") ? QStringLiteral("请输入同步口令。")
                                                                   : QStringLiteral("请输入密码。");
    else if (txtRepeat && txtRepeat->text() != txtSecret->text())
        wrong = QStringLiteral("两次输入的同步口令不一样。");
    if (!wrong.isEmpty()) {
        prompter_.msgBox(this, wrong, Prompter::Exclamation, QStringLiteral("提示"));
        txtSecret->setFocus();
        return;
    }
    accept();
}
