#pragma once

#include "dialogs/ResultDialog.h"

#include <QList>
#include <QPair>
#include <QString>

class QComboBox;
class QLabel;
class QPushButton;

// Chooses the group a note moves to. treeNodes are the (key, text) pairs of every node of the
// group tree in order, the root "M_TOP" among them; every group but the root and the one named
// CurrentGroupName (any letter case) is offered. MoveTargetGroupId follows the selection (the
// first entry at once); OK sets DialogResult 1, Cancel, Esc or the close box 2.
class frmmove : public ResultDialog
{
    Q_OBJECT

public:
    frmmove(AppState &state, const QList<QPair<QString, QString>> &treeNodes, QWidget *parent);

    void cboMove_Click();
    void cmdOK_Click();

private:
    QLabel *lblMove = nullptr;
    QComboBox *cboMove = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QLabel *Image1 = nullptr;
};
