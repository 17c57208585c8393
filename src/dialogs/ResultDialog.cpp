#include "dialogs/ResultDialog.h"

#include "app/AppState.h"

#include <QKeyEvent>

ResultDialog::ResultDialog(AppState &state, bool escapeCancels, QWidget *parent)
    : QDialog(parent), m_state(state), m_escapeCancels(escapeCancels)
{
}

void ResultDialog::cmdCancel_Click()
{
    reject();
}

void ResultDialog::keyPressEvent(QKeyEvent *event)
{
    if (!m_escapeCancels && event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
