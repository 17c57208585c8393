#include "frmAddNote.h"

#include "EditorTexts.h"
#include "NoteBody.h"
#include "Twips.h"
#include "base/AppState.h"
#include "base/Logging.h"
#include "base/Prompter.h"
#include "controls/Named.h"
#include "rtf/Rtf.h"
#include "settings/Colors.h"
#include "settings/DateText.h"
#include "util/TrimBlanks.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextEdit>
#include <QToolBar>

#if __has_include("controls/Line3D.h")
#include "controls/Line3D.h"
#define QB_HAVE_LINE3D 1
#endif

namespace {

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

const QColor kWarningBackground(191, 219, 255); // &HFFDBBF
const int kTitleMaxLength = 50;

QFont controlFont()
{
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(8.25);
    return f;
}

QWidget *makeLine(QWidget *parent, const QString &name)
{
#ifdef QB_HAVE_LINE3D
    auto *line = new Line3D(parent);
#else
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedHeight(2);
#endif
    line->setObjectName(name);
    return line;
}

} // namespace

frmAddNote::frmAddNote(AppState &state, Prompter &prompter, const QList<QIcon> &noteIcons,
                       const CurrentNote *stored, QWidget *parent)
    : ResultDialog(state, parent)
    , m_prompter(prompter)
    , m_noteIcons(noteIcons)
    , m_note(stored ? *stored : CurrentNote{})
    , m_isNew(!stored)
{
    setObjectName(QStringLiteral("frmAddNote"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon());
    setFont(controlFont());
    createControls();
    createToolbars();
    // Wide enough for the whole tool row.
    resize(qMax(px(8670), Toolbar2->geometry().right() + 1), px(5460));
    Form_Load();
}

frmAddNote::~frmAddNote() = default;

void frmAddNote::createControls()
{
    lblTitle = Tools::named<QLabel>("lblTitle", this, texts::titleLabel());
    lblTitle->setGeometry(twipsRect(150, 120, 1065, 210));

    txtTitle = Tools::named<QLineEdit>("txtTitle", this);
    txtTitle->setGeometry(twipsRect(150, 390, 6585, 350));
    // Longer titles would make the store refuse the note and lose what was typed.
    txtTitle->setMaxLength(kTitleMaxLength);
    txtTitle->installEventFilter(this);

    lblColor = Tools::named<QLabel>("lblColor", this, texts::colorLabel());
    lblColor->setGeometry(twipsRect(165, 855, 1200, 210));

    PColor = Tools::named<QLabel>("PColor", this);
    PColor->setGeometry(twipsRect(150, 1110, 1800, 360));
    PColor->setFrameShape(QFrame::Panel);
    PColor->setFrameShadow(QFrame::Sunken);
    PColor->setAutoFillBackground(true);
    PColor->setToolTip(texts::chooseColor());
    PColor->installEventFilter(this);

    cmdOpen = Tools::named<QPushButton>("cmdOpen", this, QStringLiteral(". . ."));
    cmdOpen->setGeometry(twipsRect(1500, 1125, 420, 315));
    cmdOpen->setToolTip(texts::chooseColor());
    cmdOpen->setAutoDefault(false);
    connect(cmdOpen, &QPushButton::clicked, this, &frmAddNote::cmdOpen_Click);
    // The button sits inside the colour box's right end; keep it on top.
    cmdOpen->raise();

    Label2 = Tools::named<QLabel>("Label2", this, texts::priorityLabel());
    Label2->setGeometry(twipsRect(2325, 855, 480, 210));

    cboPriority = Tools::named<QComboBox>("cboPriority", this);
    cboPriority->setGeometry(twipsRect(2325, 1095, 1605, 330));
    cboPriority->setToolTip(QStringLiteral("Choose priority"));

    Label3 = Tools::named<QLabel>("Label3", this, texts::iconLabel());
    Label3->setGeometry(twipsRect(4050, 855, 840, 210));

    CboIcon = Tools::named<QComboBox>("CboIcon", this);
    CboIcon->setGeometry(twipsRect(4035, 1095, 765, 330));
    CboIcon->setIconSize(QSize(16, 16));
    CboIcon->setToolTip(QStringLiteral("Choose icon"));

    Line3D2 = makeLine(this, QStringLiteral("Line3D2"));
    Line3D2->setGeometry(twipsRect(45, 1560, 6885, 30));

    cboFont = Tools::named<QComboBox>("cboFont", this);
    cboFont->setGeometry(twipsRect(2010, 1680, 1920, 330));
    cboFont->setToolTip(texts::fontTip());
    connect(cboFont, &QComboBox::activated, this, &frmAddNote::cboFont_Click);

    cboSize = Tools::named<QComboBox>("cboSize", this);
    cboSize->setGeometry(twipsRect(4050, 1680, 720, 330));
    cboSize->setToolTip(texts::sizeTip());
    connect(cboSize, &QComboBox::activated, this, &frmAddNote::cboSize_Click);

    auto *body = Tools::named<NoteBody>("txtNote", this);
    connect(body, &NoteBody::pictureRefused, this,
            [this](const QString &reason) { showError(texts::cannotPastePicture(reason)); });
    txtNote = body;
    txtNote->setGeometry(twipsRect(45, 2085, 7950, 2595));
    txtNote->setAcceptRichText(true);
    txtNote->document()->setDefaultFont(controlFont());
    txtNote->viewport()->installEventFilter(this);
    connect(txtNote, &QTextEdit::selectionChanged, this, &frmAddNote::txtNote_SelChange);
    connect(txtNote, &QTextEdit::cursorPositionChanged, this, &frmAddNote::txtNote_SelChange);

    pBottom = Tools::named<QWidget>("pBottom", this);
    pBottom->installEventFilter(this);

    Line3D1 = makeLine(pBottom, QStringLiteral("Line3D1"));
    Line3D1->setGeometry(twipsRect(0, 0, 1035, 30));

    cmdOK = Tools::named<QPushButton>("cmdOK", pBottom, texts::ok());
    cmdOK->setGeometry(twipsRect(4605, 105, 1035, 375));
    cmdOK->setAutoDefault(false);
    connect(cmdOK, &QPushButton::clicked, this, &frmAddNote::cmdOK_Click);

    cmdCancel = Tools::named<QPushButton>("cmdCancel", pBottom, texts::cancel());
    cmdCancel->setGeometry(twipsRect(5730, 105, 1035, 375));
    cmdCancel->setAutoDefault(false);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddNote::cmdCancel_Click);

    setTabOrder(txtTitle, cmdOpen);
    setTabOrder(cmdOpen, cboPriority);
    setTabOrder(cboPriority, CboIcon);
    setTabOrder(CboIcon, cboFont);
    setTabOrder(cboFont, cboSize);
    setTabOrder(cboSize, txtNote);
    setTabOrder(txtNote, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
}

void frmAddNote::Form_Load()
{
    m_textHelper.SetEditor(txtNote);

    fillFontList();
    for (const QString &size : texts::fontSizes())
        cboSize->addItem(size);
    cboSize->setCurrentIndex(0);
    cboFont->setCurrentIndex(fontListIndex(QStringLiteral("arial")));

    for (int i = 0; i < 24; ++i)
        CboIcon->addItem(i < m_noteIcons.size() ? m_noteIcons.at(i) : QIcon(), QString());

    cboPriority->addItems(texts::priorities());

    if (m_isNew) {
        setWindowTitle(texts::newNoteCaption());
        cboPriority->setCurrentIndex(0);
        CboIcon->setCurrentIndex(0);
        setTitleColor(0);
    } else {
        const CurrentNote &note = m_note;
        setWindowTitle(texts::editNoteCaption() + note.NoteTitle);
        // A stored title can be longer than the box takes; show it whole rather than cut it.
        if (note.NoteTitle.size() > kTitleMaxLength)
            txtTitle->setMaxLength(int(note.NoteTitle.size()));
        txtTitle->setText(note.NoteTitle);
        rtf::readInto(note.NoteBody, txtNote->document());
        txtNote->moveCursor(QTextCursor::Start);
        setTitleColor(note.NoteColor);
        cboPriority->setCurrentIndex(FindInList(cboPriority, note.NotePriority));
        // Icons outside 1..24 (old or damaged notes) show the first icon.
        const int icon = note.NoteIcon >= 1 && note.NoteIcon <= 24 ? note.NoteIcon : 1;
        CboIcon->setCurrentIndex(icon - 1);
    }
    if (m_isNew) {
        ClickToolbarButton(6);
    } else {
        // Show the first paragraph's own alignment: pressing "left" here would quietly make a
        // centred or right-aligned first paragraph left-aligned on the next save.
        txtNote_Click();
        if (!toolbarButton(2, 6)->isChecked() && !toolbarButton(2, 7)->isChecked()
            && !toolbarButton(2, 8)->isChecked())
            toolbarButton(2, 6)->setChecked(true);
    }
    // What the window opened with is the unchanged note: nothing to undo, nothing to lose yet.
    txtNote->document()->clearUndoRedoStacks();
    txtNote->document()->setModified(false);
    m_loadedTitle = txtTitle->text();
    m_loadedColor = m_color;
    m_loadedPriority = cboPriority->currentIndex();
    m_loadedIcon = CboIcon->currentIndex();
    clipboardChanged();
}

int frmAddNote::FindInList(const QComboBox *combo, const QString &text)
{
    if (!combo)
        return 0;
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i).compare(text, Qt::CaseInsensitive) == 0)
            return i;
    }
    return 0;
}

QString frmAddNote::dateTimeText(const QDateTime &when)
{
    return Tools::NoteDateText(when);
}

QString frmAddNote::generalDateText(const QDateTime &when)
{
    return Tools::GeneralDateText(when);
}

void frmAddNote::setTitleColor(qint32 color)
{
    m_color = color & 0x00FFFFFF;
    QPalette pal = PColor->palette();
    pal.setColor(QPalette::Window, Tools::ColorFromBgr(m_color));
    PColor->setPalette(pal);
}

void frmAddNote::setTitleWarning(bool on)
{
    QPalette pal = txtTitle->palette();
    pal.setColor(QPalette::Base, on ? kWarningBackground : QColor(Qt::white));
    txtTitle->setPalette(pal);
}

void frmAddNote::cmdOK_Click()
{
    const QString title = Tools::TrimBlanks(txtTitle->text());
    if (title.isEmpty()) {
        m_prompter.beep();
        setTitleWarning(true);
        txtTitle->setFocus();
        return;
    }
    CurrentNote &note = m_note;
    note.NoteTitle = title;
    note.NoteColor = m_color;
    note.NoteAddDate = dateTimeText(QDateTime::currentDateTime());
    note.NotePriority = cboPriority->currentText();
    note.NoteIcon = qint16(CboIcon->currentIndex() + 1);
    note.NoteLastUpdate = note.NoteAddDate;
    note.NoteBody = rtf::writeText(txtNote->document());
    if (m_saver) {
        // A refused save must not cost the user what they typed: the window stays as it is.
        const QString refusal = m_saver(note);
        if (!refusal.isEmpty()) {
            showError(refusal + QStringLiteral("\r\n") + texts::notSavedHint());
            return;
        }
    }
    accept();
}

bool frmAddNote::isChanged() const
{
    return txtTitle->text() != m_loadedTitle || m_color != m_loadedColor
           || cboPriority->currentIndex() != m_loadedPriority || CboIcon->currentIndex() != m_loadedIcon
           || txtNote->document()->isModified();
}

void frmAddNote::reject()
{
    // Esc, the close box and Cancel all end here; one key press must not throw away a typed note.
    if (isChanged()
        && m_prompter.msgBox(this, texts::discardQuestion(), Prompter::QuestionDefaultNo, texts::noticeTitle()) != Prompter::Yes)
        return;
    ResultDialog::reject();
}

QString frmAddNote::fileFolder() const
{
    if (!m_fileFolder.isEmpty() && QFileInfo(m_fileFolder).isDir())
        return QDir(m_fileFolder).absolutePath();
    return QDir::homePath();
}

QString frmAddNote::AskFileName(bool open, const QString &title, const QString &filter)
{
    const QString qtFilter = texts::qtFilter(filter);
    const QString folder = fileFolder();
    return open ? m_prompter.openFileName(this, title, qtFilter, folder)
                : m_prompter.saveFileName(this, title, qtFilter, folder);
}

qint32 frmAddNote::AskColor()
{
    const std::optional<QColor> chosen = m_prompter.color(this, Tools::ColorFromBgr(m_color));
    if (!chosen || !chosen->isValid())
        return -1;
    return Tools::BgrFromColor(*chosen);
}

void frmAddNote::cmdOpen_Click()
{
    const qint32 color = AskColor();
    if (color != -1)
        setTitleColor(color);
}

void frmAddNote::PColor_MouseDown(Qt::MouseButton button)
{
    if (button == Qt::LeftButton)
        cmdOpen_Click();
}

void frmAddNote::txtTitle_Click()
{
    if (txtTitle->palette().color(QPalette::Base) == kWarningBackground)
        setTitleWarning(false);
}

bool frmAddNote::txtTitle_KeyPress(int key)
{
    if (key == Qt::Key_Tab) {
        txtNote->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        cmdOK_Click();
        return true;
    }
    return false;
}

bool frmAddNote::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtTitle) {
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier)
                return txtTitle_KeyPress(key->key());
        } else if (event->type() == QEvent::MouseButtonPress) {
            txtTitle_Click();
        }
    } else if (watched == PColor && event->type() == QEvent::MouseButtonPress) {
        PColor_MouseDown(static_cast<QMouseEvent *>(event)->button());
        return true;
    } else if (txtNote && watched == txtNote->viewport() && event->type() == QEvent::MouseButtonRelease) {
        // The title box and the colour box are watched before the body exists.
        txtNote_Click();
    } else if (watched == pBottom && event->type() == QEvent::Resize) {
        pBottom_Resize();
    }
    return QDialog::eventFilter(watched, event);
}

void frmAddNote::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    Form_Resize();
}

void frmAddNote::Form_Resize()
{
    const int w = width();
    const int h = height();
    const int bottomHeight = px(555);
    pBottom->setGeometry(0, h - bottomHeight, w, bottomHeight);

    // A window too small for a control keeps that control's last size.
    const int titleWidth = w - txtTitle->x() - px(120);
    if (titleWidth > 0)
        txtTitle->resize(titleWidth, txtTitle->height());
    const int noteWidth = w - txtNote->x() - px(60);
    if (noteWidth > 0)
        txtNote->resize(noteWidth, txtNote->height());
    const int noteHeight = h - bottomHeight - txtNote->y() - px(120);
    if (noteHeight > 0)
        txtNote->resize(txtNote->width(), noteHeight);
    const int lineWidth = w - Line3D2->x() - px(60);
    if (lineWidth > 0)
        Line3D2->resize(lineWidth, Line3D2->height());
}

void frmAddNote::pBottom_Resize()
{
    const int pw = pBottom->width();
    Line3D1->resize(pw, Line3D1->height());
    cmdCancel->move(pw - cmdCancel->width() - px(60), cmdCancel->y());
    cmdOK->move(cmdCancel->x() - cmdOK->width() - px(120), cmdOK->y());
}

void frmAddNote::showError(const QString &text)
{
    qCWarning(lcEditor) << text;
    m_prompter.msgBox(this, text, Prompter::Exclamation, texts::noticeTitle());
}
