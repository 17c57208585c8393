#pragma once

#include <QDialog>

struct AppState;

// A modal dialog of the main window; its answer is exec()'s result and its own accessors.
// Cancel, the close box and Esc all end in reject().
class ResultDialog : public QDialog
{
    Q_OBJECT

public:
    void cmdCancel_Click();

protected:
    ResultDialog(AppState &state, QWidget *parent);

    AppState &m_state;
};
