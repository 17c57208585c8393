#include "DialogTesting.h"
#include "base/AppState.h"
#include "common/ScriptedPrompter.h"
#include "dialogs/frmPws1.h"
#include "dialogs/frmPws2.h"
#include "store/Notebook.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QFile>
#include <QtTest>

#include <sqlite3.h>

using namespace DialogTesting;

namespace {
const QString kWrongOld = QStringLiteral("密码是不正确的。请再试一次");
const QString kMismatch = QStringLiteral("密码不匹配,就再试一次");
const QString kBlankEnds = QStringLiteral("密码的开头和结尾不能是空格，请再试一次");
} // namespace

class tst_ChangePassword : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void opening_data();
    void opening();
    void confirming_data();
    void confirming();
    void removingAsksFirst_data();
    void removingAsksFirst();
    void secondChangeTakesTheFirstAsOld();
    void givingUp_data();
    void givingUp();
    void passwordOpensAfterReopening_data();
    void passwordOpensAfterReopening();

private:
    QString m_storedAbc; // stored form of "abc"
};

void tst_ChangePassword::initTestCase()
{
    m_storedAbc = Notebook::hashPassword(QStringLiteral("abc"));
    QVERIFY(!m_storedAbc.isEmpty());
}

void tst_ChangePassword::opening_data()
{
    QTest::addColumn<bool>("hasPassword");
    QTest::newRow("nominal: stored password, old box open") << true;
    QTest::newRow("nominal: no password, old box disabled") << false;
}

void tst_ChangePassword::opening()
{
    QFETCH(bool, hasPassword);
    AppState state;
    ScriptedPrompter prompter;
    frmPws2 dlg(state, prompter, hasPassword ? m_storedAbc : QString(), nullptr);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));

    QCOMPARE(dlg.windowTitle(), QStringLiteral("设置密码"));
    QVERIFY(dlg.isModal());
    const QList<QPair<const char *, const char *>> labels = {
        {"lblTitle1", "请输入新的数据库密码"}, {"lblTitle2", "旧密码"},
        {"Label1", "新密码"}, {"Label2", "再一次输入新密码"}};
    for (const auto &[name, text] : labels)
        QCOMPARE(child<QLabel>(dlg, name)->text(), QString::fromUtf8(text));
    for (const char *name : {"txtOld", "txtPass1", "txtPass2"}) {
        auto *box = child<QLineEdit>(dlg, name);
        QVERIFY2(box, name);
        QCOMPARE(box->echoMode(), QLineEdit::Password);
        QCOMPARE(box->maxLength(), 50);
        QVERIFY(box->text().isEmpty());
    }

    auto *txtOld = child<QLineEdit>(dlg, "txtOld");
    auto *txtPass1 = child<QLineEdit>(dlg, "txtPass1");
    QCOMPARE(txtOld->isEnabled(), hasPassword);
    QCOMPARE(background(txtOld), hasPassword ? white() : dlg.palette().color(QPalette::Button));
    QCOMPARE(QApplication::focusWidget(), hasPassword ? txtOld : txtPass1);
}

void tst_ChangePassword::confirming_data()
{
    QTest::addColumn<bool>("hasPassword"); // stored: "abc" or none
    QTest::addColumn<QString>("oldText");
    QTest::addColumn<QString>("new1");
    QTest::addColumn<QString>("new2");
    QTest::addColumn<bool>("byEnter");
    QTest::addColumn<QString>("message"); // "" = confirmed
    QTest::addColumn<QString>("input");   // gInputPassword when confirmed

    const QString fifty(50, QLatin1Char('p'));
    QTest::newRow("nominal: first password on a file without one")
        << false << "" << "abc" << "abc" << false << "" << "abc";
    QTest::newRow("nominal: change with the right old password")
        << true << "abc" << "新密码1" << "新密码1" << false << "" << "新密码1";
    QTest::newRow("nominal: Enter in the last box confirms")
        << true << "abc" << "xyz" << "xyz" << true << "" << "xyz";
    QTest::newRow("nominal: inner blanks of the new password are kept")
        << true << "abc" << "x y" << "x y" << false << "" << "x y";
    QTest::newRow("robustness: new password with blanks at its ends refused (the prompt trims them)")
        << true << "abc" << " x y " << " x y " << false << kBlankEnds << "";
    QTest::newRow("robustness: new password of blanks only refused")
        << false << "" << "   " << "   " << true << kBlankEnds << "";
    QTest::newRow("robustness: fifty-one characters stop at fifty, so the write cannot fail")
        << false << "" << fifty + "q" << fifty + "q" << false << "" << fifty;
    QTest::newRow("robustness: wrong old password")
        << true << "abd" << "xyz" << "xyz" << false << kWrongOld << "";
    QTest::newRow("robustness: old password in other letter case")
        << true << "ABC" << "xyz" << "xyz" << true << kWrongOld << "";
    QTest::newRow("robustness: old password with a blank is not trimmed")
        << true << "abc " << "xyz" << "xyz" << false << kWrongOld << "";
    QTest::newRow("robustness: empty old password against a stored one")
        << true << "" << "" << "" << false << kWrongOld << "";
    QTest::newRow("robustness: wrong old wins over mismatching new entries")
        << true << "zzz" << "one" << "two" << false << kWrongOld << "";
    QTest::newRow("robustness: new entries differ")
        << true << "abc" << "one" << "two" << false << kMismatch << "";
    QTest::newRow("robustness: new entries differ only in case")
        << false << "" << "Abc" << "abc" << true << kMismatch << "";
    QTest::newRow("robustness: new entries differ by a trailing blank")
        << false << "" << "abc" << "abc " << false << kMismatch << "";
}

void tst_ChangePassword::confirming()
{
    QFETCH(bool, hasPassword);
    QFETCH(QString, oldText);
    QFETCH(QString, new1);
    QFETCH(QString, new2);
    QFETCH(bool, byEnter);
    QFETCH(QString, message);
    QFETCH(QString, input);

    AppState state;
    state.gInputPassword = QStringLiteral("untouched");
    ScriptedPrompter prompter;
    frmPws2 dlg(state, prompter, hasPassword ? m_storedAbc : QString(), nullptr);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    auto *txtOld = child<QLineEdit>(dlg, "txtOld");
    auto *txtPass1 = child<QLineEdit>(dlg, "txtPass1");
    auto *txtPass2 = child<QLineEdit>(dlg, "txtPass2");

    if (hasPassword)
        typeInto(txtOld, oldText);
    typeInto(txtPass1, new1);
    typeInto(txtPass2, new2);
    if (byEnter)
        QTest::keyClick(txtPass2, Qt::Key_Return);
    else
        click(dlg, "cmdOK");

    if (message.isEmpty()) {
        QVERIFY(prompter.messages.isEmpty());
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(state.gInputPassword, input);
        return;
    }
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(state.gInputPassword, QStringLiteral("untouched"));
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.messages[0].text, message);
    QCOMPARE(prompter.messages[0].title, QStringLiteral("设置密码"));
    QCOMPARE(prompter.messages[0].style, 48);
    // A wrong old password sends the user back to it, a refused new one to the new box; a
    // mismatch leaves the focus where it was.
    QWidget *focusBefore = byEnter ? static_cast<QWidget *>(txtPass2)
                                   : child<QPushButton>(dlg, "cmdOK");
    QCOMPARE(QApplication::focusWidget(),
             message == kWrongOld ? txtOld : message == kBlankEnds ? txtPass1 : focusBefore);
    QCOMPARE(txtPass2->text(), new2); // Enter is not typed into the box
}

void tst_ChangePassword::removingAsksFirst_data()
{
    QTest::addColumn<bool>("byEnter");
    QTest::addColumn<int>("answer");
    QTest::newRow("nominal: Yes removes the password") << false << int(Prompter::Yes);
    QTest::newRow("robustness: No keeps the dialog open and the password") << false << int(Prompter::No);
    QTest::newRow("robustness: Enter in an empty box asks too") << true << int(Prompter::No);
}

// The old password typed and the new boxes left empty would write the notebook unencrypted.
void tst_ChangePassword::removingAsksFirst()
{
    QFETCH(bool, byEnter);
    QFETCH(int, answer);
    AppState state;
    state.gInputPassword = QStringLiteral("untouched");
    ScriptedPrompter prompter;
    prompter.msgAnswers.enqueue(answer);
    frmPws2 dlg(state, prompter, m_storedAbc, nullptr);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    typeInto(child<QLineEdit>(dlg, "txtOld"), QStringLiteral("abc"));
    if (byEnter)
        QTest::keyClick(child<QLineEdit>(dlg, "txtPass1"), Qt::Key_Return);
    else
        click(dlg, "cmdOK");

    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.messages[0].text, QStringLiteral("要取消数据库密码吗？记事本将不再加密。"));
    QCOMPARE(prompter.messages[0].style, int(Prompter::QuestionDefaultNo));
    QCOMPARE(prompter.messages[0].title, QStringLiteral("设置密码"));
    const bool removed = answer == Prompter::Yes;
    QCOMPARE(dlg.isVisible(), !removed);
    QCOMPARE(dlg.result(), int(removed ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(state.gInputPassword, removed ? QString() : QStringLiteral("untouched"));
}

void tst_ChangePassword::secondChangeTakesTheFirstAsOld()
{
    AppState state;
    ScriptedPrompter prompter;
    QString stored; // a file without password
    const QStringList changes = {QStringLiteral("first"), QStringLiteral("second")};
    QString old;
    for (const QString &next : changes) {
        frmPws2 dlg(state, prompter, stored, nullptr);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        if (!old.isEmpty())
            typeInto(child<QLineEdit>(dlg, "txtOld"), old);
        typeInto(child<QLineEdit>(dlg, "txtPass1"), next);
        typeInto(child<QLineEdit>(dlg, "txtPass2"), next);
        click(dlg, "cmdOK");
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(state.gInputPassword, next);
        // What the caller then stores.
        stored = Notebook::hashPassword(state.gInputPassword);
        old = next;
    }
    QVERIFY(prompter.messages.isEmpty());
}

void tst_ChangePassword::givingUp_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("nominal: Cancel button") << "cancel";
    QTest::newRow("robustness: close box counts as cancelled") << "close";
    QTest::newRow("nominal: Esc cancels") << "esc";
}

void tst_ChangePassword::givingUp()
{
    QFETCH(QString, how);
    AppState state;
    state.gInputPassword = QStringLiteral("untouched");
    ScriptedPrompter prompter;
    frmPws2 dlg(state, prompter, m_storedAbc, nullptr);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    typeInto(child<QLineEdit>(dlg, "txtOld"), QStringLiteral("abc"));

    if (how == QLatin1String("cancel"))
        click(dlg, "cmdCancel");
    else if (how == QLatin1String("close"))
        dlg.close();
    else
        QTest::keyClick(child<QLineEdit>(dlg, "txtOld"), Qt::Key_Escape);

    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(state.gInputPassword, QStringLiteral("untouched"));
}

void tst_ChangePassword::passwordOpensAfterReopening_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("storedEarlier"); // in plain text in the file, as the first versions kept it
    QTest::addColumn<bool>("refused");
    QTest::newRow("nominal: plain password") << "Secret" << false << false;
    QTest::newRow("nominal: inner blank") << "Sec ret" << false << false;
    QTest::newRow("robustness: leading blank refused, nothing stored") << " Secret" << false << true;
    QTest::newRow("robustness: trailing blank refused, nothing stored") << "Secret " << false << true;
    QTest::newRow("robustness: blanks only refused, nothing stored") << "  " << false << true;
    QTest::newRow("robustness: stored earlier with blanks at its ends still opens") << " Secret " << true << false;
    QTest::newRow("robustness: stored earlier as blanks only still opens") << "   " << true << false;
}

// Set, close, reopen, type: a password that was accepted must open its notebook again.
void tst_ChangePassword::passwordOpensAfterReopening()
{
    QFETCH(QString, password);
    QFETCH(bool, storedEarlier);
    QFETCH(bool, refused);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Notebook db;
    QVERIFY(db.create(dir.filePath(QStringLiteral("pw.qbf"))));
    db.open(dir.filePath(QStringLiteral("pw.qbf")));
    QVERIFY(db.isOpen());

    AppState state;
    ScriptedPrompter prompter;
    if (storedEarlier) {
        sqlite3 *raw = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(dir.filePath(QStringLiteral("pw.qbf"))).constData(), &raw), SQLITE_OK);
        sqlite3_stmt *insert = nullptr;
        QCOMPARE(sqlite3_exec(raw, "DELETE FROM admin", nullptr, nullptr, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_prepare_v2(raw, "INSERT INTO admin (vPassword) VALUES (?)", -1, &insert, nullptr), SQLITE_OK);
        const QByteArray text = password.toUtf8();
        sqlite3_bind_text(insert, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        QCOMPARE(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_finalize(insert);
        sqlite3_close(raw);
    } else {
        frmPws2 dlg(state, prompter, db.readPassword(), nullptr);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        typeInto(child<QLineEdit>(dlg, "txtPass1"), password);
        typeInto(child<QLineEdit>(dlg, "txtPass2"), password);
        click(dlg, "cmdOK");
        QCOMPARE(dlg.result(), refused ? int(QDialog::Rejected) : int(QDialog::Accepted));
        QCOMPARE(prompter.messages.size(), refused ? 1 : 0);
        if (!refused)
            QVERIFY(db.writePassword(state.gInputPassword));
    }
    db.close();
    db.open(dir.filePath(QStringLiteral("pw.qbf")));
    QVERIFY(db.isOpen());
    state.gPassword = db.readPassword();
    if (refused) {
        QCOMPARE(state.gPassword, QString());
        return;
    }
    if (storedEarlier)
        QCOMPARE(state.gPassword, password);

    frmPws1 prompt(state, prompter, nullptr);
    prompt.show();
    QVERIFY(QTest::qWaitForWindowExposed(&prompt));
    typeInto(child<QLineEdit>(prompt, "txtPws"), password);
    click(prompt, "cmdOK");
    QCOMPARE(prompt.result(), int(QDialog::Accepted));
    QVERIFY(prompter.messages.isEmpty());
    // What the opener checks after the prompt.
    QVERIFY(Notebook::passwordMatches(state.gInputPassword, state.gPassword));
}

QTEST_MAIN(tst_ChangePassword)
#include "tst_changepassword.moc"
