#include "dialogs/frmOptions.h"

#include "base/AppState.h"
#include "base/Prompter.h"
#include "controls/FontApply.h"
#include "dialogs/DialogLook.h"
#include "dialogs/KeepSettings.h"
#include "settings/Colors.h"
#include "settings/FontString.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <tuple>

using namespace DialogLook;

namespace {

// The box a font sample sits in: sunken, white, wide enough for a long font name.
QFrame *sampleBox(const char *name, QWidget *parent)
{
    QFrame *box = named<QFrame>(name, parent);
    box->setFrameShape(QFrame::StyledPanel);
    box->setFrameShadow(QFrame::Sunken);
    box->setAutoFillBackground(true);
    QPalette pal = box->palette();
    pal.setColor(QPalette::Window, Qt::white);
    box->setPalette(pal);
    box->setMinimumSize(170, 36);
    return box;
}

QLabel *sampleLabel(const char *name, QFrame *box)
{
    QLabel *label = named<QLabel>(name, box);
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(label);
    return label;
}

} // namespace

frmOptions::frmOptions(AppState &state, Settings &settings, Prompter &prompter,
                       std::function<void(int)> setSkin, QWidget *parent)
    // Cancel, Esc and the close box all give up; a skin shown or a font picked meanwhile stays.
    : ResultDialog(state, parent), m_settings(settings), m_prompter(prompter),
      m_setSkin(std::move(setSkin))
{
    setObjectName(QStringLiteral("frmOptions"));
    prepareDialog(this, true);
    setWindowTitle(QStringLiteral("设置"));
    buildControls();

    txtDatabase->setText(m_settings.gDatabase);
    txtDatabase->setCursorPosition(0); // a long path shows its beginning
    txtDatabase->setToolTip(m_settings.gDatabase);

    chkExit->setChecked(m_settings.gQuickExit != 0);
    chkMaxSize->setChecked(m_settings.gMaxsized != 0);
    chkTray->setChecked(m_settings.gMinToTray != 0);
    chkVariants->setChecked(m_settings.gSearchVariants != 0);

    // Selecting the saved skin goes through the normal skin handling, so the main window shows
    // the saved skin while the dialog is open.
    cboSkin->addItem(QStringLiteral("Cool Blue"));
    cboSkin->addItem(QStringLiteral("Windows 2000"));
    cboSkin->setCurrentIndex(-1);
    connect(cboSkin, &QComboBox::currentIndexChanged, this, &frmOptions::cboSkin_Click);
    cboSkin->setCurrentIndex(m_settings.gSkin == 0 ? 0 : 1);

    txtKeepDays->setValue(m_settings.gKeepDays);
    txtKeepVersions->setValue(m_settings.gKeepVersions);
    txtKeepPercent->setValue(m_settings.gKeepPercent);
    txtBackupFolder->setText(m_settings.gBackupFolder);

    Tools::ApplyFontString(m_settings.gGroupFont, lblGroupFont);
    Tools::ApplyFontString(m_settings.gRecordFont, lblRecordFont);

    connect(cmdOpen, &QPushButton::clicked, this, &frmOptions::cmdOpen_Click);
    connect(cmdFolder, &QPushButton::clicked, this, &frmOptions::cmdFolder_Click);
    connect(cmdFont1, &QPushButton::clicked, this, &frmOptions::cmdFont1_Click);
    connect(cmdFont2, &QPushButton::clicked, this, &frmOptions::cmdFont2_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    onFocusOut(txtDatabase, [this] { clearHighlight(txtDatabase); });
}

void frmOptions::buildControls()
{
    // First frame: start-up notebook, skin and the four switches.
    QFrame *frame1 = named<QFrame>("Frame1", this);
    frame1->setFrameShape(QFrame::StyledPanel);
    lblDatabase = named<QLabel>("lblDatabase", frame1, QStringLiteral("数据库文件路径"));
    txtDatabase = named<QLineEdit>("txtDatabase", frame1);
    txtDatabase->setMinimumWidth(260);
    setBackground(txtDatabase, normalColor());
    cmdOpen = named<QPushButton>("cmdOpen", frame1, QStringLiteral("浏览"));
    cmdOpen->setAutoDefault(false);
    lblSkin = named<QLabel>("lblSkin", frame1, QStringLiteral("选择界面"));
    cboSkin = named<QComboBox>("cboSkin", frame1);
    chkTray = named<QCheckBox>("chkTray", frame1, QStringLiteral("最小化到系统托盘"));
    chkMaxSize = named<QCheckBox>("chkMaxSize", frame1, QStringLiteral("打开程序最大化"));
    chkExit = named<QCheckBox>("chkExit", frame1, QStringLiteral("关闭程序使用ESC快捷键"));
    chkVariants = named<QCheckBox>("chkVariants", frame1, QStringLiteral("繁简通用"));
    chkVariants->setToolTip(QStringLiteral("搜索时繁体字与简体字互相找到"));

    auto *grid1 = new QGridLayout(frame1);
    grid1->addWidget(lblDatabase, 0, 0, 1, 2);
    grid1->addWidget(txtDatabase, 1, 0);
    grid1->addWidget(cmdOpen, 1, 1);
    auto *skinRow = new QHBoxLayout;
    skinRow->addWidget(lblSkin);
    skinRow->addWidget(cboSkin);
    skinRow->addStretch();
    grid1->addLayout(skinRow, 2, 0, 1, 2);
    grid1->addWidget(chkTray, 3, 0, 1, 2);
    grid1->addWidget(chkMaxSize, 4, 0, 1, 2);
    grid1->addWidget(chkExit, 5, 0, 1, 2);
    grid1->addWidget(chkVariants, 6, 0, 1, 2);

    // Second frame: the fonts of the group tree and the note list, each with its sample.
    QFrame *frame2 = named<QFrame>("Frame2", this);
    frame2->setFrameShape(QFrame::StyledPanel);
    lblGroup = named<QLabel>("lblGroup", frame2, QStringLiteral("组字体"));
    pFontView = sampleBox("pFontView", frame2);
    lblGroupFont = sampleLabel("lblGroupFont", pFontView);
    cmdFont1 = named<QPushButton>("cmdFont1", frame2, QStringLiteral("编辑"));
    cmdFont1->setAutoDefault(false);
    Label2 = named<QLabel>("Label2", frame2, QStringLiteral("标题字体"));
    Picture1 = sampleBox("Picture1", frame2);
    lblRecordFont = sampleLabel("lblRecordFont", Picture1);
    cmdFont2 = named<QPushButton>("cmdFont2", frame2, QStringLiteral("编辑"));
    cmdFont2->setAutoDefault(false);

    auto *grid2 = new QGridLayout(frame2);
    grid2->addWidget(lblGroup, 0, 0);
    grid2->addWidget(pFontView, 0, 1);
    grid2->addWidget(cmdFont1, 0, 2);
    grid2->addWidget(Label2, 1, 0);
    grid2->addWidget(Picture1, 1, 1);
    grid2->addWidget(cmdFont2, 1, 2);
    grid2->setColumnStretch(1, 1);

    // Third frame: what is kept of old versions and deleted notes, and the automatic copies.
    QFrame *frame3 = named<QFrame>("Frame3", this);
    frame3->setFrameShape(QFrame::StyledPanel);
    auto spin = [frame3](const char *name, int low, int high, const QString &suffix) {
        QSpinBox *box = named<QSpinBox>(name, frame3);
        box->setRange(low, high);
        box->setSuffix(suffix);
        return box;
    };
    txtKeepDays = spin("txtKeepDays", 1, 3650, QStringLiteral(" 天"));
    txtKeepVersions = spin("txtKeepVersions", 1, 10000, QStringLiteral(" 个"));
    txtKeepPercent = spin("txtKeepPercent", 1, 100, QStringLiteral(" %"));
    txtBackupFolder = named<QLineEdit>("txtBackupFolder", frame3);
    txtBackupFolder->setPlaceholderText(QStringLiteral("默认位置"));
    cmdFolder = named<QPushButton>("cmdFolder", frame3, QStringLiteral("浏览..."));
    cmdFolder->setAutoDefault(false);
    auto *grid3 = new QGridLayout(frame3);
    grid3->addWidget(new QLabel(QStringLiteral("历史和删除的记事保留"), frame3), 0, 0);
    grid3->addWidget(txtKeepDays, 0, 1);
    grid3->addWidget(new QLabel(QStringLiteral("每条记事最多保留版本"), frame3), 1, 0);
    grid3->addWidget(txtKeepVersions, 1, 1);
    grid3->addWidget(new QLabel(QStringLiteral("历史最多占数据库"), frame3), 2, 0);
    grid3->addWidget(txtKeepPercent, 2, 1);
    grid3->addWidget(new QLabel(QStringLiteral("自动备份文件夹"), frame3), 3, 0, 1, 2);
    grid3->addWidget(txtBackupFolder, 4, 0, 1, 2);
    grid3->addWidget(cmdFolder, 4, 2);

    std::tie(cmdOK, cmdCancel) = okCancelButtons(this);

    auto *outer = new QVBoxLayout(this);
    outer->addWidget(frame1);
    outer->addWidget(frame2);
    outer->addWidget(frame3);
    outer->addLayout(buttonRow(cmdOK, cmdCancel));
    outer->setSizeConstraint(QLayout::SetFixedSize);
}

void frmOptions::cmdOpen_Click()
{
    const QString path = m_prompter.openFileName(this, QStringLiteral("Select Database"),
                                                 QStringLiteral("数据库文件(*.qbf)"));
    if (path.isEmpty())
        return;
    // Only remembered for the next start; the file is neither checked nor opened here.
    txtDatabase->setText(path);
    txtDatabase->setCursorPosition(0);
    txtDatabase->setToolTip(path);
}

void frmOptions::cmdFolder_Click()
{
    const QString folder = m_prompter.folderName(this, QStringLiteral("自动备份文件夹"),
                                                 Tools::BackupFolderOf(m_settings));
    if (!folder.isEmpty())
        txtBackupFolder->setText(folder);
}

void frmOptions::cboSkin_Click()
{
    const int index = cboSkin->currentIndex();
    if (index >= 0 && m_setSkin)
        m_setSkin(index);
}

void frmOptions::cmdFont1_Click()
{
    ChooseFont(lblGroupFont, true);
}

void frmOptions::cmdFont2_Click()
{
    ChooseFont(lblRecordFont, false);
}

void frmOptions::ChooseFont(QLabel *label, bool withColour)
{
    const std::optional<QFont> chosen = m_prompter.font(this, label->font());
    if (!chosen)
        return;
    // The tree font carries a colour; the font chooser has no colour choice, so the colour is
    // asked for right after it. Cancelling that keeps the current colour.
    std::optional<qint32> colour;
    if (withColour) {
        const QColor current = label->palette().color(QPalette::WindowText);
        const std::optional<QColor> picked = m_prompter.color(this, current);
        colour = Tools::BgrFromColor(picked.value_or(current));
    }
    const QString fontString = Tools::ComposeFontString(*chosen, colour);
    if (withColour)
        m_settings.gGroupFont = fontString;
    else
        m_settings.gRecordFont = fontString;
    Tools::ApplyFontString(fontString, label);
}

void frmOptions::cmdOK_Click()
{
    if (txtDatabase->text().isEmpty()) {
        m_prompter.beep();
        setBackground(txtDatabase, highlightColor());
        txtDatabase->setFocus();
        return;
    }
    m_settings.gDatabase = txtDatabase->text();
    m_settings.gQuickExit = chkExit->isChecked() ? 1 : 0;
    m_settings.gMaxsized = chkMaxSize->isChecked() ? 1 : 0;
    m_settings.gMinToTray = chkTray->isChecked() ? 1 : 0;
    m_settings.gSkin = qint16(cboSkin->currentIndex());
    m_settings.gKeepDays = qint16(txtKeepDays->value());
    m_settings.gKeepVersions = qint16(txtKeepVersions->value());
    m_settings.gKeepPercent = qint16(txtKeepPercent->value());
    m_settings.gBackupFolder = txtBackupFolder->text().trimmed();
    m_settings.gSearchVariants = chkVariants->isChecked() ? 1 : 0;
    Tools::SaveSettings(m_settings);
    Tools::SaveOwnSettings(m_settings);
    accept();
}
