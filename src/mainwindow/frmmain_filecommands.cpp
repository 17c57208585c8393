// New, open, back up and compact a notebook file.
#include "mainwindow/frmmain.h"

// Not built yet: these commands do nothing.
void frmmain::mnuNew_Click() {}
void frmmain::mnuOpen_Click() {}
void frmmain::mnuBackup_Click() {}
void frmmain::mnuCompact_Click() {}

std::optional<QString> frmmain::AskFileName(bool isOpen, const QString &title, const QString &filter)
{
    Q_UNUSED(isOpen);
    Q_UNUSED(title);
    Q_UNUSED(filter);
    return std::nullopt;
}
