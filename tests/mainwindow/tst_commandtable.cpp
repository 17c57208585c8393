// The menus, pop-up menus and toolbar exactly as the window shows them: names, captions, keys
// and order, and which items may be ticked.
#include "MainWindowHarness.h"
#include "WindowProbe.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QWidgetAction>
#include <QtTest>

namespace {

// "name caption [key] [tick]" per item, "-" per separator, a submenu in braces.
QString describe(const QMenu *menu)
{
    QStringList items;
    for (QAction *a : menu->actions()) {
        if (a->menu()) {
            items << a->menu()->objectName() + QLatin1Char(' ') + a->menu()->title() + QStringLiteral(" {")
                         + describe(a->menu()) + QLatin1Char('}');
            continue;
        }
        if (a->isSeparator()) {
            items << QStringLiteral("-"); // a separator has no name
            continue;
        }
        QString item = a->objectName() + QLatin1Char(' ') + a->text();
        if (!a->shortcut().isEmpty())
            item += QLatin1Char(' ') + a->shortcut().toString(QKeySequence::PortableText);
        if (a->isCheckable())
            item += QStringLiteral(" tick");
        items << item;
    }
    return items.join(QStringLiteral("; "));
}

} // namespace

class tst_CommandTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void menus_data();
    void menus();
    void toolbar();
};

void tst_CommandTable::menus_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("expected");

    QTest::newRow("nominal: File")
        << "mnuFile"
        << "mnuNew 新建 Ctrl+N; mnuOpen 打开; mnuUnlock 解锁数据库...; mnuBackup 另备份为...; "
           "mnuFromBackup 从自动备份恢复...; mnuFromSync 从同步位置打开...; -; "
           "mnuImport 导入 {mnuImportFiles 文件...; mnuImportFolder 文件夹...}; "
           "mnuExport 导出 {mnuExportNote 当前记事...; mnuExportGroup 当前组...; mnuExportBook 整个数据库...}; "
           "mnuPrint 打印... Ctrl+P; -; mnuExit 退出";
    QTest::newRow("nominal: Action")
        << "mnuAction"
        << "mnuNotes 记事本 {mnuEdit1 编辑; mnuNewNote1 新建记事本; mnuDelete2 删除; -; mnuMove1 移动; "
           "mnuHistory1 历史版本; mnuDeleted 最近删除; mnuConflicts 冲突; mnuFind 搜索记事 Ctrl+F}; "
           "mnuGroups 组 {mnuNew1 新建组; mnuRename1 重命名; mnuDelete1 删除; mnuPrintGroup1 打印...}";
    QTest::newRow("nominal: View")
        << "mnuView"
        << "mnuMyNotes 我的记事本 tick; mnuToolbar 工具栏 tick; mnuStatusbar 状态栏 tick; mnuNoteInfo 记事本信息 tick; "
           "-; mnuLayout 排列 {mnuReport 详细信息; mnuIcons 图标}";
    QTest::newRow("nominal: Tools") << "mnuTools"
                                    << "mnuPws 设置数据库密码; mnuCompact 修复数据库; -; mnuSyncSettings 同步设置...; "
                                       "mnuSyncNow 立即同步; -; mnuOptions 设置; -; "
                                       "mnuForum Quillbook 综合论坛";
    QTest::newRow("nominal: group pop-up")
        << "mnuGroup"
        << "mnuNewNote3 新建记事本; -; mnuNewGroup 新建组; mnuRename 重命名 F2; mnuDelete 删除 Del; "
           "-; mnuExportGroup1 导出...; mnuPrintGroup 打印...";
    QTest::newRow("nominal: note pop-up")
        << "mnuNote"
        << "mnuEditNote 编辑 Ctrl+O; mnuNewNote 新建记事本; mnuDel 删除 Ctrl+D; -; mnuMove 移动; "
           "mnuHistory 历史版本; -; mnuExportNote1 导出...";
    QTest::newRow("nominal: tray pop-up") << "mnuTray"
                                          << "mnuRestore 显示窗口; -; mnuExit1 退出";
}

void tst_CommandTable::menus()
{
    QFETCH(QString, menu);
    QFETCH(QString, expected);

    MainWindowHarness h;
    frmmain &w = h.make();
    auto *m = w.findChild<QMenu *>(menu);
    QVERIFY(m);
    QCOMPARE(describe(m), expected);
    // The menu bar holds the four menus in order; the pop-ups are never on it.
    QStringList bar;
    for (QAction *a : w.menuBar()->actions())
        bar << a->menu()->objectName() + QLatin1Char(' ') + a->menu()->title();
    QCOMPARE(bar, (QStringList{"mnuFile 文件(&F)", "mnuAction 操作(&A)", "mnuView 查看(&V)", "mnuTools 工具(&T)"}));
}

void tst_CommandTable::toolbar()
{
    MainWindowHarness h;
    frmmain &w = h.make();
    QStringList buttons;
    QList<QAction *> commandButtons;
    for (QAction *a : probe(w).toolbar()->actions()) {
        if (a->isSeparator()) {
            buttons << QStringLiteral("-");
        } else if (auto *widget = qobject_cast<QWidgetAction *>(a)) {
            buttons << QLatin1Char('[') + probe(w).toolbar()->widgetForAction(widget)->objectName() + QLatin1Char(']');
        } else {
            buttons << a->objectName() + QLatin1Char(' ') + a->toolTip();
            commandButtons << a;
        }
    }
    // The search box at the right end, pushed there by a stretch.
    QCOMPARE(buttons, (QStringList{"NEW 新建", "OPEN 打开", "BACKUP 备份数据库", "-", "ADD_GROUP 添加组",
                                   "DELETE_GROUP 删除组", "-", "ADD_NOTE 新建记事本", "EDIT_NOTE 编辑记事本",
                                   "DEL_NOTE 删除记事本", "-", "SYNC 立即同步", "[searchStretch]", "[searchBox]"}));
    for (QAction *a : commandButtons)
        QVERIFY2(!a->icon().isNull(), qPrintable(a->objectName()));
    // Every command can be reached; one with a button is reached through it.
    for (int c = 0; c <= int(Cmd::SyncConflicts); ++c)
        QVERIFY2(w.action(Cmd(c)), qPrintable(QString::number(c)));
    QCOMPARE(w.action(Cmd::EditNote)->objectName(), QStringLiteral("EDIT_NOTE"));
    QCOMPARE(w.action(Cmd::MoveNote)->objectName(), QStringLiteral("mnuMove"));
}

QTEST_MAIN(tst_CommandTable)
#include "tst_commandtable.moc"
