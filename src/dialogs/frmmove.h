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
// currentGroup (any letter case) is offered. targetGroupId() follows the selection (the first
// entry at once; 0 while there is none); OK ends it Accepted, Cancel, Esc or the close box
// Rejected.
class frmmove : public ResultDialog
{
    Q_OBJECT

public:
    frmmove(AppState &state, const QList<QPair<QString, QString>> &treeNodes, const QString &currentGroup,
            QWidget *parent);

    void cboMove_Click();
    void cmdOK_Click();
    qint64 targetGroupId() const { return m_target; }

private:
    QLabel *lblMove = nullptr;
    QComboBox *cboMove = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QLabel *Image1 = nullptr;
    qint64 m_target = 0;
};
