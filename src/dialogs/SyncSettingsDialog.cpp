#include "dialogs/SyncSettingsDialog.h"

#include "base/Prompter.h"
#include "dialogs/DialogLook.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

using namespace DialogLook;

SyncSettingsDialog::SyncSettingsDialog(const std::optional<SyncSettings> &shown, bool forJoining,
                                       Prompter &prompter, QWidget *parent)
    : QDialog(parent), prompter_(prompter)
{
    setObjectName(QStringLiteral("SyncSettingsDialog"));
    prepareDialog(this, true);
    setWindowTitle(forJoining ? QStringLiteral("从同步位置打开") : QStringLiteral("同步设置"));

    optWebDav = named<QRadioButton>("optWebDav", this, QStringLiteral("WebDAV 服务器"));
    txtAddress = named<QLineEdit>("txtAddress", this);
    txtAddress->setPlaceholderText(QStringLiteral("https://example.com/dav/quillbook"));
    txtAddress->setMinimumWidth(320);
    txtUser = named<QLineEdit>("txtUser", this);
    txtPassword = named<QLineEdit>("txtPassword", this);
    txtPassword->setEchoMode(QLineEdit::Password);
    optFolder = named<QRadioButton>("optFolder", this, QStringLiteral("文件夹（由网盘或同步程序在电脑间保持一致）"));
    txtFolder = named<QLineEdit>("txtFolder", this);
    cmdBrowse = named<QPushButton>("cmdBrowse", this, QStringLiteral("浏览..."));
    chkAuto = named<QCheckBox>("chkAuto", this, QStringLiteral("自动同步"));
    chkAuto->setVisible(!forJoining);
    auto [cmdOK, cmdCancel] = okCancelButtons(this);

    auto *server = new QFormLayout;
    server->setContentsMargins(20, 0, 0, 0);
    server->addRow(QStringLiteral("地址："), txtAddress);
    server->addRow(QStringLiteral("用户名："), txtUser);
    server->addRow(QStringLiteral("密码："), txtPassword);
    auto *folder = new QHBoxLayout;
    folder->setContentsMargins(20, 0, 0, 0);
    folder->addWidget(txtFolder, 1);
    folder->addWidget(cmdBrowse);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(optWebDav);
    layout->addLayout(server);
    layout->addWidget(optFolder);
    layout->addLayout(folder);
    layout->addWidget(chkAuto);
    layout->addLayout(buttonRow(cmdOK, cmdCancel));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const SyncSettings s = shown.value_or(SyncSettings{});
    const bool webDav = s.kind == SyncSettings::Kind::WebDav;
    (webDav ? optWebDav : optFolder)->setChecked(true);
    (webDav ? txtAddress : txtFolder)->setText(s.address);
    txtUser->setText(s.user);
    txtPassword->setText(s.password);
    chkAuto->setChecked(s.automatic);
    kindChanged();

    connect(optWebDav, &QRadioButton::toggled, this, &SyncSettingsDialog::kindChanged);
    connect(cmdBrowse, &QPushButton::clicked, this, &SyncSettingsDialog::browse);
    connect(cmdOK, &QPushButton::clicked, this, &SyncSettingsDialog::accepted);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    cmdOK->setDefault(true);
}

SyncSettings SyncSettingsDialog::settings() const
{
    SyncSettings s;
    const bool webDav = optWebDav->isChecked();
    s.kind = webDav ? SyncSettings::Kind::WebDav : SyncSettings::Kind::Folder;
    s.address = (webDav ? txtAddress : txtFolder)->text().trimmed();
    if (webDav) {
        s.user = txtUser->text();
        s.password = txtPassword->text();
    }
    s.automatic = chkAuto->isChecked();
    return s;
}

void SyncSettingsDialog::kindChanged()
{
    const bool webDav = optWebDav->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(txtAddress), static_cast<QWidget *>(txtUser),
                       static_cast<QWidget *>(txtPassword)})
        w->setEnabled(webDav);
    txtFolder->setEnabled(!webDav);
    cmdBrowse->setEnabled(!webDav);
}

void SyncSettingsDialog::browse()
{
    const QString chosen = prompter_.folderName(this, QStringLiteral("选择同步文件夹"), txtFolder->text());
    if (!chosen.isEmpty())
        txtFolder->setText(chosen);
}

void SyncSettingsDialog::accepted()
{
    const bool webDav = optWebDav->isChecked();
    QLineEdit *where = webDav ? txtAddress : txtFolder;
    const QUrl url(where->text().trimmed());
    const bool ok = webDav ? url.isValid() && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"))
                                 && !url.host().isEmpty()
                           : !where->text().trimmed().isEmpty();
    if (!ok) {
        setBackground(where, highlightColor());
        where->setFocus();
        prompter_.msgBox(this,
                         webDav ? QStringLiteral("请填写 WebDAV 地址，以 https:// 或 http:// 开头。")
                                : QStringLiteral("请选择一个文件夹。"),
                         Prompter::Exclamation, QStringLiteral("提示"));
        return;
    }
    clearHighlight(where);
    // The sync files are sealed either way, but plain http shows the server's password to the
    // network on the way; a server on this computer is another matter.
    const bool loopback = QStringList{QStringLiteral("localhost"), QStringLiteral("127.0.0.1"), QStringLiteral("::1")}
                              .contains(url.host());
    if (webDav && url.scheme() == QLatin1String("http") && !loopback
        && prompter_.msgBox(this,
                            QStringLiteral("这个地址以 http:// 开头，不加密：服务器的密码会明文传送。\n仍要使用吗？"),
                            Prompter::QuestionDefaultNo, QStringLiteral("提示"))
               != Prompter::Yes)
        return;
    accept();
}
