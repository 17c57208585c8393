#pragma once

#include <QDialog>

struct AppState;
class QKeyEvent;

// A modal dialog of the main window; its answer is exec()'s result and its own accessors.
// Cancel, the close box and (where allowed) Esc all end in reject().
class ResultDialog : public QDialog
{
    Q_OBJECT

public:
    void cmdCancel_Click();

protected:
    // Without escapeCancels Esc does nothing: only Cancel or the close box give up.
    ResultDialog(AppState &state, bool escapeCancels, QWidget *parent);
    void keyPressEvent(QKeyEvent *event) override;

    AppState &m_state;

private:
    bool m_escapeCancels;
};
