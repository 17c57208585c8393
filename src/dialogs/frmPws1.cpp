#include "dialogs/frmPws1.h"

#include "base/AppState.h"
#include "base/Prompter.h"
#include "dialogs/DialogLook.h"
#include "store/Notebook.h"
#include "util/TrimBlanks.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPromise>
#include <QPushButton>
#include <QThreadPool>
#include <memory>
#include <tuple>

using namespace DialogLook;

frmPws1::frmPws1(AppState &state, Prompter &prompter, QWidget *parent, Matcher matches)
    : ResultDialog(state, parent), m_prompter(prompter), m_matches(std::move(matches))
{
    setObjectName(QStringLiteral("frmPws1"));
    prepareDialog(this, true);
    setWindowTitle(QStringLiteral("打开密码"));
    setFixedSize(twips(5325), twips(1725));

    Image1 = pictureLabel(keyPicture(16), this);
    Image1->setGeometry(twips(300), twips(240), 16, 16);

    lblTitle = arialLabel("lblTitle", QStringLiteral("请输入数据库文件密码"), this);
    placeTwips(lblTitle, 615, 270, 1920, 210);

    txtPws = passwordBox("txtPws", this);
    txtPws->setFont(QFont(QStringLiteral("Arial")));
    placeTwips(txtPws, 330, 675, 3330, 315);

    std::tie(cmdOK, cmdCancel) = okCancelButtons(this);
    placeTwips(cmdOK, 3915, 630, 1215, 350);
    placeTwips(cmdCancel, 3915, 1095, 1215, 350);

    // Enter belongs to the text box; neither button is the window's default.
    cmdOK->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    setTabOrder(txtPws, cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    connect(cmdOK, &QPushButton::clicked, this, &frmPws1::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPws1::cmdCancel_Click);
    onEnterKey(txtPws, [this] { cmdOK_Click(); });
    onMousePress(txtPws, [this] { clearHighlight(txtPws); });

    // Shown while a key is derived: the derivation takes a good part of a second.
    lblChecking = named<QLabel>("lblChecking", this, QStringLiteral("正在验证密码…"));
    placeTwips(lblChecking, 330, 1125, 1500, 210);
    barChecking = named<QProgressBar>("barChecking", this);
    barChecking->setRange(0, 0);
    barChecking->setTextVisible(false);
    placeTwips(barChecking, 1950, 1140, 1710, 180);
    showChecking(false);

    txtPws->setFocus();
}

frmPws1::frmPws1(AppState &state, Prompter &prompter, QWidget *parent, Notebook &keeper, const QString &path)
    : frmPws1(state, prompter, parent)
{
    m_keeper = &keeper;
    m_path = path;
}

void frmPws1::showChecking(bool checking)
{
    m_checking = checking;
    // Keys go on to the box, where a second Enter is ignored, not to the button after OK.
    if (checking)
        txtPws->setFocus();
    lblChecking->setVisible(checking);
    barChecking->setVisible(checking);
    cmdOK->setEnabled(!checking);
    txtPws->setReadOnly(checking);
}

std::optional<bool> frmPws1::unlocks(const QString &typed)
{
    // The derivation reads nothing of the store: the store itself stays on this thread and only
    // takes the key. Given up, the result is dropped when it comes, and the key with it.
    auto promise = std::make_shared<QPromise<Notebook::DerivedKey>>();
    QFutureWatcher<Notebook::DerivedKey> watcher;
    QEventLoop loop;
    bool derived = false;
    bool givenUp = false;
    connect(&watcher, &QFutureWatcherBase::finished, &loop, [&] {
        derived = true;
        loop.quit();
    });
    connect(this, &QDialog::finished, &loop, [&] {
        givenUp = true;
        loop.quit();
    });
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    watcher.setFuture(promise->future());
    promise->start();
    QThreadPool::globalInstance()->start([promise, path = m_path, typed] {
        promise->addResult(Notebook::deriveKey(path, typed));
        promise->finish();
    });

    const QPointer<frmPws1> alive(this);
    showChecking(true);
    loop.exec();
    if (!alive)
        return std::nullopt;
    showChecking(false);
    if (givenUp || !derived)
        return std::nullopt;
    return m_keeper->keepKey(watcher.result());
}

void frmPws1::cmdOK_Click()
{
    // One derivation per attempt: Enter or OK again while one runs is not a new attempt.
    if (m_checking)
        return;
    // Kept before the check, so a wrong attempt is what the opener sees after Cancel.
    const QString typed = txtPws->text();
    // One check, so one key derivation, per attempt: blanks at the ends are dropped, except for
    // a password kept in plain text (as the first versions kept it), compared at no cost.
    const bool keptAsTyped = !m_matches && !m_keeper && typed == m_state.gPassword;
    m_state.gInputPassword = keptAsTyped ? typed : Tools::TrimBlanks(typed);
    std::optional<bool> matched;
    if (m_keeper)
        matched = unlocks(m_state.gInputPassword);
    else
        matched = m_matches ? m_matches(m_state.gInputPassword)
                            : Notebook::passwordMatches(m_state.gInputPassword, m_state.gPassword);
    if (!matched)
        return;
    if (!*matched) {
        setBackground(txtPws, highlightColor());
        txtPws->selectAll();
        txtPws->setFocus();
        m_prompter.msgBox(this, QStringLiteral("密码是不正确的。请再试一次"), Prompter::Exclamation,
                          QStringLiteral("提示"));
        return;
    }
    accept();
}
