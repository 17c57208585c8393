#include "dialogs/frmPws2.h"

#include "base/AppState.h"
#include "base/Prompter.h"
#include "dialogs/DialogLook.h"
#include "store/Notebook.h"
#include "util/TrimBlanks.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <tuple>

using namespace DialogLook;

namespace {

const QString kCaption = QStringLiteral("设置密码");

} // namespace

frmPws2::frmPws2(AppState &state, Prompter &prompter, const QString &storedPassword, QWidget *parent)
    : ResultDialog(state, parent), m_prompter(prompter), m_stored(storedPassword)
{
    setObjectName(QStringLiteral("frmPws2"));
    prepareDialog(this, true);
    setWindowTitle(kCaption);
    setFixedSize(twips(5085), twips(3330));

    Image1 = pictureLabel(keyPicture(16), this);
    Image1->setGeometry(twips(300), twips(330), 16, 16);

    lblTitle1 = arialLabel("lblTitle1", QStringLiteral("请输入新的数据库密码"), this);
    placeTwips(lblTitle1, 555, 360, 1920, 210);
    lblTitle2 = arialLabel("lblTitle2", QStringLiteral("旧密码"), this);
    placeTwips(lblTitle2, 300, 885, 660, 210);
    txtOld = passwordBox("txtOld", this);
    placeTwips(txtOld, 300, 1140, 2415, 350);
    Label1 = arialLabel("Label1", QStringLiteral("新密码"), this);
    placeTwips(Label1, 300, 1665, 660, 210);
    txtPass1 = passwordBox("txtPass1", this);
    placeTwips(txtPass1, 300, 1920, 2415, 350);
    Label2 = arialLabel("Label2", QStringLiteral("再一次输入新密码"), this);
    placeTwips(Label2, 300, 2400, 1560, 210);
    txtPass2 = passwordBox("txtPass2", this);
    placeTwips(txtPass2, 300, 2655, 2415, 350);

    std::tie(cmdOK, cmdCancel) = okCancelButtons(this);
    placeTwips(cmdOK, 3615, 1125, 1215, 350);
    placeTwips(cmdCancel, 3615, 1590, 1215, 350);
    // Enter belongs to the text boxes; neither button is the window's default.
    cmdOK->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);

    setTabOrder(txtOld, txtPass1);
    setTabOrder(txtPass1, txtPass2);
    setTabOrder(txtPass2, cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    connect(cmdOK, &QPushButton::clicked, this, &frmPws2::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPws2::cmdCancel_Click);
    for (QLineEdit *box : {txtOld, txtPass1, txtPass2})
        onEnterKey(box, [this] { cmdOK_Click(); });

    // Without a stored password there is no old one to type.
    const bool hasPassword = !m_stored.isEmpty();
    txtOld->setEnabled(hasPassword);
    if (!hasPassword)
        setBackground(txtOld, palette().color(QPalette::Active, QPalette::Button));
    (hasPassword ? txtOld : txtPass1)->setFocus();
}

QString frmPws2::typedOldPassword() const
{
    return txtOld->text();
}

void frmPws2::cmdOK_Click()
{
    // Taken exactly as typed: the old password may have been set with blanks at its ends.
    const QString oldText = txtOld->text();
    const QString pass1 = txtPass1->text();
    const QString pass2 = txtPass2->text();

    if (!Notebook::passwordMatches(oldText, m_stored)) {
        m_prompter.msgBox(this, QStringLiteral("密码是不正确的。请再试一次"), Prompter::Exclamation,
                          kCaption);
        txtOld->setFocus();
        return;
    }
    if (pass2 != pass1) {
        m_prompter.msgBox(this, QStringLiteral("密码不匹配,就再试一次"), Prompter::Exclamation,
                          kCaption);
        return;
    }
    // The password prompt trims blanks at both ends of what is typed, so such a password could
    // never be typed back and would lock the notebook for good.
    if (Tools::TrimBlanks(pass1) != pass1) {
        m_prompter.msgBox(this, QStringLiteral("密码的开头和结尾不能是空格，请再试一次"), Prompter::Exclamation,
                          kCaption);
        txtPass1->setFocus();
        txtPass1->selectAll();
        return;
    }
    // Empty new boxes take the protection away and write the notebook unencrypted: never by a
    // slip of the Enter key.
    if (!m_stored.isEmpty() && pass1.isEmpty()
        && m_prompter.msgBox(this, QStringLiteral("要取消数据库密码吗？记事本将不再加密。"),
                             Prompter::QuestionDefaultNo, kCaption) != Prompter::Yes) {
        txtPass1->setFocus();
        return;
    }
    m_state.gInputPassword = pass1;
    accept();
}
