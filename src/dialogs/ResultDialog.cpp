#include "dialogs/ResultDialog.h"

#include "base/AppState.h"

ResultDialog::ResultDialog(AppState &state, QWidget *parent)
    : QDialog(parent), m_state(state)
{
}

void ResultDialog::cmdCancel_Click()
{
    reject();
}
