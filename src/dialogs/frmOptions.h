#pragma once

#include "dialogs/ResultDialog.h"

#include <functional>

struct Settings;
class Prompter;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// Edits the preferences. A picked skin is applied at once through setSkin (the settings change
// only on OK); a picked font goes into gGroupFont / gRecordFont at once. OK writes the settings
// store and accepts; Cancel, Esc or the close box reject. Applying the
// fonts to the tree and the list is the caller's business.
class frmOptions : public ResultDialog
{
    Q_OBJECT

public:
    frmOptions(AppState &state, Settings &settings, Prompter &prompter,
               std::function<void(int)> setSkin, QWidget *parent);

    void cmdOpen_Click();
    void cboSkin_Click();
    void cmdFont1_Click();
    void cmdFont2_Click();
    void cmdOK_Click();
    void cmdFolder_Click();

private:
    void buildControls();
    void ChooseFont(QLabel *label, bool withColour);

    Settings &m_settings;
    Prompter &m_prompter;
    std::function<void(int)> m_setSkin;

    QLabel *lblDatabase = nullptr;
    QLineEdit *txtDatabase = nullptr;
    QPushButton *cmdOpen = nullptr;
    QLabel *lblSkin = nullptr;
    QComboBox *cboSkin = nullptr;
    QCheckBox *chkTray = nullptr;
    QCheckBox *chkMaxSize = nullptr;
    QCheckBox *chkExit = nullptr;
    QCheckBox *chkVariants = nullptr; // search: Traditional and Simplified find each other
    QLabel *lblGroup = nullptr;
    QFrame *pFontView = nullptr;
    QLabel *lblGroupFont = nullptr;
    QPushButton *cmdFont1 = nullptr;
    QLabel *Label2 = nullptr;
    QFrame *Picture1 = nullptr;
    QLabel *lblRecordFont = nullptr;
    QPushButton *cmdFont2 = nullptr;
    // What is kept: history and deleted notes, and where the automatic copies go ("" = default).
    QSpinBox *txtKeepDays = nullptr;
    QSpinBox *txtKeepVersions = nullptr;
    QSpinBox *txtKeepPercent = nullptr;
    QLineEdit *txtBackupFolder = nullptr;
    QPushButton *cmdFolder = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
};
