#include "dialogs/frmPws1.h"

#include "app/AppState.h"
#include "app/Prompter.h"
#include "controls/TrimBlanks.h"
#include "dialogs/DialogLook.h"
#include "store/DBase.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

    txtPws->setFocus();
}

void frmPws1::cmdOK_Click()
{
    // Kept before the check, so a wrong attempt is what the opener sees after Cancel.
    const QString typed = txtPws->text();
    // One check, so one key derivation, per attempt: blanks at the ends are dropped, except for
    // a password kept in plain text (as the first versions kept it), compared at no cost.
    const bool keptAsTyped = !m_matches && typed == m_state.gPassword;
    m_state.gInputPassword = keptAsTyped ? typed : Tools::TrimBlanks(typed);
    if (m_matches ? !m_matches(m_state.gInputPassword)
                  : !DBase::PasswordMatches(m_state.gInputPassword, m_state.gPassword)) {
        setBackground(txtPws, highlightColor());
        txtPws->selectAll();
        txtPws->setFocus();
        m_prompter.msgBox(this, QStringLiteral("密码是不正确的。请再试一次"), Prompter::Exclamation,
                          QStringLiteral("提示"));
        return;
    }
    accept();
}
