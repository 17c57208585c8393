#include "DialogTesting.h"
#include "base/AppState.h"
#include "common/ScriptedPrompter.h"
#include "dialogs/frmPws1.h"
#include "store/Notebook.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace DialogTesting;

namespace {
const QString kWrong = QStringLiteral("密码是不正确的。请再试一次");
}

class tst_PasswordPrompt : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void looksAsDesigned();
    void attempts_data();
    void attempts();
    void wrongAttemptLeavesBoxSelectedAndBlue();
    void givingUp_data();
    void givingUp();

private:
    QString m_stored; // stored form of "Secret"
};

void tst_PasswordPrompt::initTestCase()
{
    m_stored = Notebook::hashPassword(QStringLiteral("Secret"));
    QVERIFY(!m_stored.isEmpty());
}

void tst_PasswordPrompt::looksAsDesigned()
{
    AppState state;
    ScriptedPrompter prompter;
    frmPws1 dlg(state, prompter, nullptr);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("打开密码"));
    QVERIFY(dlg.isModal());
    QCOMPARE(child<QLabel>(dlg, "lblTitle")->text(),
             QStringLiteral("请输入数据库文件密码"));
    auto *txtPws = child<QLineEdit>(dlg, "txtPws");
    QVERIFY(txtPws);
    QCOMPARE(txtPws->echoMode(), QLineEdit::Password);
    QCOMPARE(txtPws->maxLength(), 50);
    QCOMPARE(child<QPushButton>(dlg, "cmdOK")->text(), QStringLiteral("确定"));
    QCOMPARE(child<QPushButton>(dlg, "cmdCancel")->text(),
             QStringLiteral("取消"));
    // Shown only while an encrypted notebook's key is derived.
    QCOMPARE(child<QLabel>(dlg, "lblChecking")->text(), QStringLiteral("正在验证密码…"));
    QVERIFY(child<QLabel>(dlg, "lblChecking")->isHidden());
    // No minimise or maximise box; fixed size.
    QVERIFY(!(dlg.windowFlags() & Qt::WindowMinMaxButtonsHint));
    QCOMPARE(dlg.minimumSize(), dlg.maximumSize());
}

void tst_PasswordPrompt::attempts_data()
{
    QTest::addColumn<QStringList>("typed"); // one entry per attempt
    QTest::addColumn<bool>("byEnter");
    QTest::addColumn<bool>("accepted"); // after the last attempt
    QTest::addColumn<QString>("input");  // gInputPassword afterwards

    QTest::newRow("nominal: right at once") << QStringList{"Secret"} << false << true << "Secret";
    QTest::newRow("nominal: Enter confirms like OK") << QStringList{"Secret"} << true << true << "Secret";
    QTest::newRow("nominal: blanks at both ends removed")
        << QStringList{"   Secret  "} << false << true << "Secret";
    QTest::newRow("nominal: wrong, wrong again, then right")
        << QStringList{"secret", "Secrets", "Secret"} << true << true << "Secret";
    QTest::newRow("robustness: other letter case refused")
        << QStringList{"secret"} << false << false << "secret";
    QTest::newRow("robustness: empty entry refused") << QStringList{""} << false << false << "";
    QTest::newRow("robustness: blanks only refused") << QStringList{"   "} << true << false << "";
    QTest::newRow("robustness: inner blank not removed")
        << QStringList{"Sec ret"} << false << false << "Sec ret";
    QTest::newRow("robustness: wrong attempt stays in the input, trimmed")
        << QStringList{" nope "} << false << false << "nope";
}

void tst_PasswordPrompt::attempts()
{
    QFETCH(QStringList, typed);
    QFETCH(bool, byEnter);
    QFETCH(bool, accepted);
    QFETCH(QString, input);

    AppState state;
    state.gPassword = m_stored;
    ScriptedPrompter prompter;
    // Each check is a key derivation when the notebook is encrypted: one per attempt.
    qsizetype checks = 0;
    frmPws1 dlg(state, prompter, nullptr, [&](const QString &candidate) {
        ++checks;
        return Notebook::passwordMatches(candidate, m_stored);
    });
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    auto *txtPws = child<QLineEdit>(dlg, "txtPws");
    auto *cmdOK = child<QPushButton>(dlg, "cmdOK");

    for (const QString &attempt : typed) {
        typeInto(txtPws, attempt);
        if (byEnter)
            QTest::keyClick(txtPws, Qt::Key_Return);
        else
            QTest::mouseClick(cmdOK, Qt::LeftButton);
    }

    QCOMPARE(state.gInputPassword, input);
    QCOMPARE(checks, typed.size());
    const qsizetype wrongAttempts = typed.size() - (accepted ? 1 : 0);
    QCOMPARE(prompter.messages.size(), wrongAttempts);
    for (const ScriptedPrompter::Message &m : prompter.messages) {
        QCOMPARE(m.text, kWrong);
        QCOMPARE(m.title, QStringLiteral("提示"));
        QCOMPARE(m.style, 48);
    }
    QCOMPARE(dlg.isVisible(), !accepted);
    QCOMPARE(dlg.result(), accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
}

void tst_PasswordPrompt::wrongAttemptLeavesBoxSelectedAndBlue()
{
    AppState state;
    state.gPassword = m_stored;
    ScriptedPrompter prompter;
    frmPws1 dlg(state, prompter, nullptr);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    auto *txtPws = child<QLineEdit>(dlg, "txtPws");
    QVERIFY(txtPws->hasFocus());
    QCOMPARE(background(txtPws), white());

    typeInto(txtPws, QStringLiteral("guess"));
    QTest::keyClick(txtPws, Qt::Key_Return);
    QCOMPARE(background(txtPws), highlight());
    QCOMPARE(txtPws->selectedText(), QStringLiteral("guess"));
    QVERIFY(txtPws->hasFocus());
    // Enter was taken by the dialog, not typed into the box.
    QCOMPARE(txtPws->text(), QStringLiteral("guess"));

    QTest::mouseClick(txtPws, Qt::LeftButton);
    QCOMPARE(background(txtPws), white());
}

void tst_PasswordPrompt::givingUp_data()
{
    QTest::addColumn<QString>("wrongFirst"); // "" = give up right after opening
    QTest::addColumn<QString>("how"); // cancel, close, esc
    QTest::addColumn<QString>("input");

    QTest::newRow("nominal: Cancel at once keeps the earlier input") << "" << "cancel" << "before";
    QTest::newRow("nominal: Cancel after a wrong attempt keeps that attempt")
        << "wrong" << "cancel" << "wrong";
    QTest::newRow("robustness: close box counts as cancelled") << "" << "close" << "before";
    QTest::newRow("nominal: Esc in the box cancels") << "" << "esc" << "before";
}

void tst_PasswordPrompt::givingUp()
{
    QFETCH(QString, wrongFirst);
    QFETCH(QString, how);
    QFETCH(QString, input);

    AppState state;
    state.gPassword = m_stored;
    state.gInputPassword = QStringLiteral("before");
    ScriptedPrompter prompter;
    frmPws1 dlg(state, prompter, nullptr);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    if (!wrongFirst.isEmpty()) {
        typeInto(child<QLineEdit>(dlg, "txtPws"), wrongFirst);
        click(dlg, "cmdOK");
    }
    if (how == QLatin1String("close"))
        dlg.close();
    else if (how == QLatin1String("esc"))
        QTest::keyClick(child<QLineEdit>(dlg, "txtPws"), Qt::Key_Escape);
    else
        click(dlg, "cmdCancel");

    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(state.gInputPassword, input);
}

QTEST_MAIN(tst_PasswordPrompt)
#include "tst_passwordprompt.moc"
