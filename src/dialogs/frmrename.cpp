#include "dialogs/frmrename.h"

#include "app/AppState.h"
#include "app/Prompter.h"
#include "dialogs/DialogLook.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace DialogLook;

frmrename::frmrename(AppState &state, Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_state(state), m_prompter(prompter)
{
    setObjectName(QStringLiteral("frmrename"));
    prepareDialog(this, true);

    Label1 = new QLabel(QStringLiteral("新名称"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtname = new QLineEdit(this);
    txtname->setObjectName(QStringLiteral("txtname"));
    // A group name longer than the store takes would only fail later.
    txtname->setMaxLength(50);
    txtname->setMinimumWidth(220);
    setBackground(txtname, normalColor());
    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("取消"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0, 1, 2);
    grid->addWidget(txtname, 1, 0, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 2, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &frmrename::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmrename::cmdCancel_Click);
    onEnterKey(txtname, [this] { cmdOK_Click(); });
    onMousePress(txtname, [this] { clearHighlight(txtname); });

    if (m_state.IsNewGroup) {
        setWindowTitle(QStringLiteral("新建组"));
    } else {
        txtname->setText(m_state.CurrentGroupName);
        setWindowTitle(QStringLiteral("重命名组"));
    }
    txtname->setFocus();
}

void frmrename::cmdOK_Click()
{
    const QString name = trimBlanks(txtname->text());
    if (name.isEmpty()) {
        m_prompter.beep();
        setBackground(txtname, highlightColor());
        txtname->setFocus();
        return;
    }
    m_state.CurrentGroupName = name;
    m_state.DialogResult = 1;
    accept();
}

void frmrename::cmdCancel_Click()
{
    reject();
}

void frmrename::reject()
{
    // Cancel, Esc and the close box all end here.
    m_state.DialogResult = 2;
    QDialog::reject();
}
