#include "dialogs/frmBackups.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

frmBackups::frmBackups(std::vector<AutoBackup::Copy> copies, QWidget *parent)
    : QDialog(parent), copies_(std::move(copies))
{
    setWindowTitle(QStringLiteral("从自动备份恢复"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("选择要恢复的备份（当前数据库会先另存为一份备份）："), this));
    lstCopies = new QListWidget(this);
    lstCopies->setObjectName(QStringLiteral("lstCopies"));
    const QLocale locale;
    for (const AutoBackup::Copy &c : copies_)
        lstCopies->addItem(c.taken.toString(QStringLiteral("yyyy/M/d HH:mm:ss")) + QStringLiteral("    ")
                           + locale.formattedDataSize(c.size)
                           + (c.beforeRestore ? QStringLiteral("    （恢复前的数据库）") : QString()));
    if (lstCopies->count() > 0)
        lstCopies->setCurrentRow(0);
    layout->addWidget(lstCopies);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *open = buttons->addButton(QStringLiteral("恢复"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    open->setEnabled(lstCopies->count() > 0);
    open->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(lstCopies, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    resize(420, 300);
}

QString frmBackups::chosen() const
{
    const int row = lstCopies->currentRow();
    return row >= 0 && row < int(copies_.size()) ? copies_[size_t(row)].path : QString();
}
