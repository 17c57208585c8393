#include "dialogs/frmPws1.h"

#include "app/AppState.h"
#include "app/Prompter.h"
#include "dialogs/DialogLook.h"
#include "store/DBase.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace DialogLook;

frmPws1::frmPws1(AppState &state, Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_state(state), m_prompter(prompter)
{
    setObjectName(QStringLiteral("frmPws1"));
    prepareDialog(this, true);
    setWindowTitle(QStringLiteral("打开密码"));
    setFixedSize(twips(5325), twips(1725));

    const QFont arial(QStringLiteral("Arial"));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(keyPicture(16));
    Image1->setGeometry(twips(300), twips(240), 16, 16);

    lblTitle = new QLabel(QStringLiteral("请输入数据库文件密码"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setFont(arial);
    placeTwips(lblTitle, 615, 270, 1920, 210);

    txtPws = new QLineEdit(this);
    txtPws->setObjectName(QStringLiteral("txtPws"));
    txtPws->setFont(arial);
    txtPws->setEchoMode(QLineEdit::Password);
    txtPws->setMaxLength(50);
    setBackground(txtPws, normalColor());
    placeTwips(txtPws, 330, 675, 3330, 315);

    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    placeTwips(cmdOK, 3915, 630, 1215, 350);

    cmdCancel = new QPushButton(QStringLiteral("取消"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
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
    m_state.gInputPassword = trimBlanks(txtPws->text());
    if (!DBase::PasswordMatches(m_state.gInputPassword, m_state.gPassword)) {
        setBackground(txtPws, highlightColor());
        txtPws->selectAll();
        txtPws->setFocus();
        m_prompter.msgBox(this, QStringLiteral("密码是不正确的。请再试一次"), Prompter::Exclamation,
                          QStringLiteral("提示"));
        return;
    }
    m_state.DialogResult = 1;
    accept();
}

void frmPws1::cmdCancel_Click()
{
    reject();
}

void frmPws1::reject()
{
    // Cancel and the close box both end here.
    m_state.DialogResult = 2;
    QDialog::reject();
}

void frmPws1::keyPressEvent(QKeyEvent *event)
{
    // Esc does nothing here: only Cancel or the close box give up.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
