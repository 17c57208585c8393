#pragma once

#include "store/AutoBackup.h"

#include <QDialog>
#include <vector>

class QListWidget;

// "从自动备份恢复": the automatic copies of the notebook (when taken, size, the one kept before a
// restore marked), newest first. 恢复 (or a double click) ends it Accepted with chosen() set;
// 取消, Esc or the close box Rejected.
class frmBackups : public QDialog
{
    Q_OBJECT

public:
    frmBackups(std::vector<AutoBackup::Copy> copies, QWidget *parent);

    QListWidget *lstCopies = nullptr;
    // The chosen copy's path; "" when none.
    QString chosen() const;

private:
    std::vector<AutoBackup::Copy> copies_;
};
