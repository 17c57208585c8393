#include "dialogs/frmrename.h"

#include "base/AppState.h"
#include "base/Prompter.h"
#include "dialogs/DialogLook.h"
#include "util/TrimBlanks.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <tuple>

using namespace DialogLook;

frmrename::frmrename(AppState &state, Prompter &prompter, bool isNew, const QString &currentName,
                     QWidget *parent)
    : ResultDialog(state, parent), m_prompter(prompter)
{
    setObjectName(QStringLiteral("frmrename"));
    prepareDialog(this, true);

    Label1 = named<QLabel>("Label1", this, QStringLiteral("新名称"));
    txtname = named<QLineEdit>("txtname", this);
    // A group name longer than the store takes would only fail later.
    txtname->setMaxLength(50);
    txtname->setMinimumWidth(220);
    setBackground(txtname, normalColor());
    std::tie(cmdOK, cmdCancel) = okCancelButtons(this);

    auto *grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0, 1, 2);
    grid->addWidget(txtname, 1, 0, 1, 2);
    grid->addLayout(buttonRow(cmdOK, cmdCancel), 2, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &frmrename::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmrename::cmdCancel_Click);
    onEnterKey(txtname, [this] { cmdOK_Click(); });
    onMousePress(txtname, [this] { clearHighlight(txtname); });

    if (isNew) {
        setWindowTitle(QStringLiteral("新建组"));
    } else {
        txtname->setText(currentName);
        setWindowTitle(QStringLiteral("重命名组"));
    }
    txtname->setFocus();
}

void frmrename::cmdOK_Click()
{
    const QString name = Tools::TrimBlanks(txtname->text());
    if (name.isEmpty()) {
        m_prompter.beep();
        setBackground(txtname, highlightColor());
        txtname->setFocus();
        return;
    }
    m_name = name;
    accept();
}
