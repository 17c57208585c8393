// The toolbar dispatcher and the group and note commands.
#include "mainwindow/frmmain.h"

#include <QAction>

void frmmain::Toolbar1_ButtonClick(QAction *button)
{
    // Not built yet: no command runs.
    Q_UNUSED(button);
}

void frmmain::mnuNewNote3_Click() {}
void frmmain::mnuNewGroup_Click() {}
void frmmain::mnuRename_Click() {}
void frmmain::mnuDelete_Click() {}
void frmmain::mnuEditNote_Click() {}
void frmmain::mnuNewNote_Click() {}
void frmmain::mnuDel_Click() {}
void frmmain::mnuMove_Click() {}
void frmmain::mnuEdit1_Click() {}
void frmmain::mnuNewNote1_Click() {}
void frmmain::mnuDelete2_Click() {}
void frmmain::mnuMove1_Click() {}
void frmmain::mnuNew1_Click() {}
void frmmain::mnuRename1_Click() {}
void frmmain::mnuDelete1_Click() {}
