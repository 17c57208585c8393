#include "ExportFolderDialog.h"

#include "ExchangeDialogs.h"

#include "base/Prompter.h"
#include "dialogs/DialogLook.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace DialogLook;

namespace exchange {

ExportFolderDialog::ExportFolderDialog(Prompter &prompter, const QString &what, const QString &folder,
                                       QWidget *parent)
    : QDialog(parent), m_prompter(prompter), m_start(folder)
{
    setObjectName(QStringLiteral("ExportFolderDialog"));
    prepareDialog(this, true);
    setWindowTitle(QStringLiteral("导出“%1”").arg(what));

    cboFormat = named<QComboBox>("cboFormat", this);
    for (const FormatChoice &choice : exportFormats())
        cboFormat->addItem(choice.filter);
    txtFolder = named<QLineEdit>("txtFolder", this);
    txtFolder->setMinimumWidth(320);
    auto *cmdBrowse = named<QPushButton>("cmdBrowse", this, QStringLiteral("浏览..."));
    const auto [cmdOK, cmdCancel] = okCancelButtons(this);
    cmdOK->setDefault(true);

    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("格式："), this), 0, 0);
    grid->addWidget(cboFormat, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("文件夹："), this), 1, 0);
    grid->addWidget(txtFolder, 1, 1);
    grid->addWidget(cmdBrowse, 1, 2);
    grid->addLayout(buttonRow(cmdOK, cmdCancel), 2, 0, 1, 3);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdBrowse, &QPushButton::clicked, this, &ExportFolderDialog::browse);
    connect(cmdOK, &QPushButton::clicked, this, &ExportFolderDialog::confirm);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    onMousePress(txtFolder, [this] { clearHighlight(txtFolder); });
}

Format ExportFolderDialog::format() const
{
    return exportFormats().at(size_t(qMax(0, cboFormat->currentIndex()))).format;
}

QString ExportFolderDialog::folder() const
{
    return QDir::cleanPath(QDir(m_start).absoluteFilePath(txtFolder->text().trimmed()));
}

void ExportFolderDialog::browse()
{
    const QString chosen = m_prompter.folderName(this, windowTitle(), txtFolder->text().isEmpty() ? m_start : folder());
    if (!chosen.isEmpty()) {
        txtFolder->setText(QDir::toNativeSeparators(chosen));
        clearHighlight(txtFolder);
    }
}

void ExportFolderDialog::confirm()
{
    if (txtFolder->text().trimmed().isEmpty()) {
        m_prompter.beep();
        setBackground(txtFolder, highlightColor());
        txtFolder->setFocus();
        return;
    }
    accept();
}

} // namespace exchange
