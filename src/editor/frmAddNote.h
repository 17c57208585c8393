#pragma once

#include "dTxtHelper.h"
#include "dialogs/ResultDialog.h"

#include "base/CurrentNote.h"

#include <QIcon>
#include <QList>
#include <QString>

#include <functional>

class QAction;
class QComboBox;
class QDateTime;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QToolBar;
class QWidget;
struct AppState;
class Prompter;

// The modal note editor: a new note (stored null), or a copy of a stored one. Shown with
// prompter.exec(). OK hands the note to the saver; a refused save keeps the window open with
// everything typed and says why, so the user can try again or copy the text. Accepted means the
// note was saved (note() holds it); anything else (Cancel, the close box, Escape) means nothing
// was stored. Those three ask first when anything was changed.
class frmAddNote : public ResultDialog
{
    Q_OBJECT
public:
    // Stores the note OK gives it; "" once stored, else the message that says why not.
    using Saver = std::function<QString(const CurrentNote &)>;

    // noteIcons: the 24 note icons, index 0 showing icon number 1.
    frmAddNote(AppState &state, Prompter &prompter, const QList<QIcon> &noteIcons, const CurrentNote *stored,
               QWidget *parent = nullptr);
    ~frmAddNote() override;

    // Without a saver OK accepts at once.
    void setSaver(Saver saver) { m_saver = std::move(saver); }
    // The note as OK last built it.
    const CurrentNote &note() const { return m_note; }

    // Index of the first item equal to text ignoring case; 0 when none matches.
    static int FindInList(const QComboBox *combo, const QString &text);

    // Date-time text of an accepted note: short date, a blank, 24-hour "hh:mm".
    static QString dateTimeText(const QDateTime &when);
    // Text inserted by the date button: short date, a blank, long time (without a time zone).
    static QString generalDateText(const QDateTime &when);

    // Folder the file choosers start in: the open notebook's. When it is not given or no longer
    // there, they start in the user's home.
    void setFileFolder(const QString &folder) { m_fileFolder = folder; }
    QString fileFolder() const;

    // The colour shown in the title colour box, 0x00BBGGRR.
    qint32 titleColor() const { return m_color; }
    dTxtHelper &TextHelper() { return m_textHelper; }

    // A toolbar button by toolbar (1 or 2) and 1-based position, separators counted; null when absent.
    QAction *toolbarButton(int toolbar, int position) const;

    void cmdOK_Click();
    void cmdOpen_Click();
    void Toolbar1_ButtonClick(QAction *button);
    void Toolbar2_ButtonClick(QAction *button);
    // Runs the handler of Toolbar2's button at a position as if it had been clicked.
    void ClickToolbarButton(int position);
    void cboFont_Click();
    void cboSize_Click();
    void txtNote_SelChange();
    void txtNote_Click();
    void UpdateClipboardButtons();

public Q_SLOTS:
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void createControls();
    void createToolbars();
    void placeToolRow();
    // The screen fonts in the system's order, each family once by its bare name.
    void fillFontList();
    // The font list's item for a family, or for the font the system draws it with; 0 when neither is listed.
    int fontListIndex(const QString &family) const;
    void Form_Load();
    void Form_Resize();
    void pBottom_Resize();
    QString AskFileName(bool open, const QString &title, const QString &filter);
    qint32 AskColor();
    void setTitleColor(qint32 color);
    void setTitleWarning(bool on);
    void PColor_MouseDown(Qt::MouseButton button);
    void txtTitle_Click();
    bool txtTitle_KeyPress(int key);

    void clearBody();
    void openDocument();
    void setAlignmentButton(int position);
    void showAlignmentButton(int position);
    // Whether anything (title, colour, priority, icon, body) differs from what the window opened with.
    bool isChanged() const;
    // Reads the clipboard once per change of it; caret moves use the answer.
    void clipboardChanged();
    void setBullet(bool on);
    void insertPicture();
    void insertDate();
    void showError(const QString &text);

    Prompter &m_prompter;
    QList<QIcon> m_noteIcons;
    dTxtHelper m_textHelper;
    qint32 m_color = 0;
    CurrentNote m_note;   // the stored note shown, then what OK built
    Saver m_saver;
    // What the window opened with, to tell whether leaving loses anything.
    QString m_loadedTitle;
    qint32 m_loadedColor = 0;
    int m_loadedPriority = 0;
    int m_loadedIcon = 0;
    QString m_fileFolder;
    bool m_isNew;
    bool m_canPaste = false;

    QLabel *lblTitle = nullptr;
    QLineEdit *txtTitle = nullptr;
    QLabel *lblColor = nullptr;
    QLabel *PColor = nullptr;
    QPushButton *cmdOpen = nullptr;
    QLabel *Label2 = nullptr;
    QComboBox *cboPriority = nullptr;
    QLabel *Label3 = nullptr;
    QComboBox *CboIcon = nullptr;
    QWidget *Line3D2 = nullptr;
    QToolBar *Toolbar1 = nullptr;
    QComboBox *cboFont = nullptr;
    QComboBox *cboSize = nullptr;
    QToolBar *Toolbar2 = nullptr;
    QTextEdit *txtNote = nullptr;
    QWidget *pBottom = nullptr;
    QWidget *Line3D1 = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QList<QAction *> m_toolbar1Buttons; // by position, separators included
    QList<QAction *> m_toolbar2Buttons;
};
