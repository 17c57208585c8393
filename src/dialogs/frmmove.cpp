#include "dialogs/frmmove.h"

#include "base/AppState.h"
#include "dialogs/DialogLook.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <tuple>

using namespace DialogLook;

frmmove::frmmove(AppState &state, const QList<QPair<QString, QString>> &treeNodes, const QString &currentGroup,
                 QWidget *parent)
    : ResultDialog(state, parent)
{
    setObjectName(QStringLiteral("frmmove"));
    prepareDialog(this, true);
    setWindowTitle(QStringLiteral("移动文档"));

    Image1 = pictureLabel(movePicture(32), this);
    Image1->setFixedSize(32, 32);
    lblMove = named<QLabel>("lblMove", this, QStringLiteral("移动到"));
    cboMove = named<QComboBox>("cboMove", this);
    cboMove->setMinimumWidth(200);
    std::tie(cmdOK, cmdCancel) = okCancelButtons(this);

    auto *grid = new QGridLayout(this);
    grid->addWidget(Image1, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(lblMove, 0, 1);
    grid->addWidget(cboMove, 1, 1);
    grid->addLayout(buttonRow(cmdOK, cmdCancel), 2, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    const QString current = currentGroup.toLower();
    for (const auto &[key, text] : treeNodes) {
        if (key == QLatin1String("M_TOP") || text.toLower() == current)
            continue;
        // Group keys are a letter followed by the ID.
        bool ok = false;
        const qint64 id = key.mid(1).toLongLong(&ok);
        if (!ok)
            continue;
        cboMove->addItem(text, id);
    }
    cmdOK->setEnabled(cboMove->count() > 0);

    connect(cboMove, &QComboBox::currentIndexChanged, this, &frmmove::cboMove_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmmove::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmmove::cmdCancel_Click);

    // The first group counts as chosen even if the list is never touched.
    if (cboMove->count() > 0)
        cboMove_Click();
}

void frmmove::cboMove_Click()
{
    if (cboMove->currentIndex() >= 0)
        m_target = cboMove->currentData().toLongLong();
}

void frmmove::cmdOK_Click()
{
    accept();
}
