#pragma once

#include <QDialog>

struct AppState;
class QKeyEvent;

// A modal dialog of the main window that reports how it ended through DialogResult: the dialog
// sets 1 itself when it accepts; Cancel, the close box and (where allowed) Esc all end in
// reject(), which sets 2.
class ResultDialog : public QDialog
{
    Q_OBJECT

public:
    void cmdCancel_Click();

public Q_SLOTS:
    void reject() override;

protected:
    // Without escapeCancels Esc does nothing: only Cancel or the close box give up.
    ResultDialog(AppState &state, bool escapeCancels, QWidget *parent);
    void keyPressEvent(QKeyEvent *event) override;

    AppState &m_state;

private:
    bool m_escapeCancels;
};
