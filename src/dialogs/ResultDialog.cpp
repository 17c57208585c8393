#include "dialogs/ResultDialog.h"

#include "app/AppState.h"

ResultDialog::ResultDialog(AppState &state, QWidget *parent)
    : QDialog(parent), m_state(state)
{
}

void ResultDialog::cmdCancel_Click()
{
    reject();
}
