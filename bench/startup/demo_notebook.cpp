// qb-demo-notebook <path>: a small notebook with a few groups and notes, for looking at the window
// (the README's screenshot is taken of it).

#include "base/CurrentNote.h"
#include "store/Groups.h"
#include "store/Notebook.h"
#include "store/Notes.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

struct DemoNote
{
    const char *title;
    const char *priority;
    int icon;
    qint32 color; // 0x00BBGGRR
    const char *date;
    const char *body; // RTF
};

struct DemoGroup
{
    const char *name;
    std::initializer_list<DemoNote> notes;
};

// The bodies are RTF fragments; RTF keeps to 7 bits, so Chinese text goes in as \uN? escapes.
QString rtfText(const QString &text)
{
    QString out;
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            if (c == u'\n')
                out += QStringLiteral("\\par\n");
            else
                out += c;
        } else {
            out += QStringLiteral("\\u%1?").arg(qint16(c.unicode()));
        }
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: qb-demo-notebook <path>\n");
        return 2;
    }
    const DemoGroup groups[] = {
        {"工作",
         {{"周一例会记录", "重要", 3, 0x000000C0, "2026/12/7 09:30",
           "{\\b 周一例会}\n1. 确认本周的发布计划\n2. 整理客户反馈，周三前回复\n3. {\\cf1 下周二}之前完成测试报告"},
          {"项目进度", "普通", 9, 0x00804000, "2026/12/3 16:05",
           "第一阶段已经完成，第二阶段预计月底交付。\n需要注意：接口文档还没有更新。"},
          {"客户联系方式", "私密", 12, 0, "2026/11/28 11:20", "王经理  电话 010-8888 6666\n邮箱 wang@example.com"},
          {"年终总结提纲", "一般", 5, 0x00008000, "2026/11/20 20:45",
           "一、全年工作回顾\n二、主要成绩与不足\n三、明年的计划"}}},
        {"生活",
         {{"购物清单", "普通", 7, 0x00006000, "2026/12/6 18:10", "牛奶、面包、鸡蛋\n苹果两斤\n洗衣液"},
          {"周末旅行计划", "一般", 15, 0x00A00000, "2026/12/1 21:00", "周六早上出发去杭州，住两晚。\n记得带相机。"}}},
        {"读书笔记",
         {{"《红楼梦》人物关系", "非常重要", 18, 0x00800080, "2026/10/15 22:30",
           "贾宝玉、林黛玉、薛宝钗三人的关系是全书的主线。"}}},
        {"学习计划", {}},
    };

    Notebook db;
    if (!db.create(args[1])) {
        std::fprintf(stderr, "qb-demo-notebook: %s\n", qPrintable(db.lastError()));
        return 1;
    }
    db.open(args[1]);
    for (const DemoGroup &g : groups) {
        const std::optional<qint64> added = Groups(db).add(QString::fromUtf8(g.name));
        if (!added)
            return 1;
        const qint64 gid = *added;
        for (const DemoNote &n : g.notes) {
            CurrentNote note;
            note.NoteTitle = QString::fromUtf8(n.title);
            note.NotePriority = QString::fromUtf8(n.priority);
            note.NoteIcon = qint16(n.icon);
            note.NoteColor = n.color;
            note.NoteAddDate = QString::fromUtf8(n.date);
            note.NoteLastUpdate = note.NoteAddDate;
            note.NoteBody = QStringLiteral("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 SimSun;}}"
                                           "{\\colortbl;\\red200\\green0\\blue0;}\\f0\\fs20 ")
                            + rtfText(QString::fromUtf8(n.body)) + QStringLiteral("\\par}");
            if (!Notes(db).add(gid, note)) {
                std::fprintf(stderr, "qb-demo-notebook: %s\n", qPrintable(db.lastError()));
                return 1;
            }
        }
    }
    db.close();
    return 0;
}
