#include "NotebookGenerator.h"

#include "store/Notebook.h"

#include <QFile>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace NotebookGenerator {

namespace {

const char *const Priorities[] = {"一般", "普通", "重要", "非常重要", "私密"};
const int Colors[] = {0, 255, 32768, 16711680, 8421504, 33023, 8388736};

// 1.2 to 2.8 KB of RTF (2 KB on average): a GBK-era header and Chinese text written as \uN? escapes between
// ordinary words and paragraph marks, as an RTF writer for Chinese text produces it.
std::string rtfBody(std::mt19937 &rng, int n, const QString &text)
{
    const int textLen = int(text.size());
    std::string rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052"
                      "{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}{\\f1\\fnil\\fcharset0 Arial;}}"
                      "{\\colortbl ;\\red255\\green0\\blue0;}\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs18 ";
    rtf += "Note " + std::to_string(n) + "\\par ";
    std::uniform_int_distribution<int> start(0, textLen - 1);
    const std::size_t size = std::uniform_int_distribution<std::size_t>(1200, 2800)(rng);
    while (rtf.size() < size) {
        const int s = start(rng);
        for (int i = 0; i < 12; ++i)
            rtf += "\\u" + std::to_string(int(text[(s + i) % textLen].unicode())) + "?";
        rtf += (rtf.size() % 3 == 0) ? "\\par\r\n" : " \\cf1 abc\\cf0  ";
    }
    rtf += "\\par\r\n}\r\n";
    return rtf;
}

} // namespace

Layout layoutFor(int notes, int groups)
{
    Layout l;
    l.notes = std::max(notes, 0);
    l.groups = std::max(groups, 2);
    l.group1Notes = l.notes / 10;
    l.group2Notes = std::min(100, l.notes / 10);
    return l;
}

QString generate(const QString &path, int notes, int groups, const QString &text)
{
    static const QString sample = QStringLiteral("今天天气很好我们去公园散步看见许多人在湖边钓鱼孩子们在草地上放风筝"
                                                 "会议记录项目进度需要在下周一之前完成请大家按时提交报告谢谢");
    const QString &source = text.isEmpty() ? sample : text;
    const Layout l = layoutFor(notes, groups);
    Notebook db;
    if (!db.create(path))
        return db.lastError();

    // Which group each note goes to, shuffled so the groups interleave in the file.
    std::vector<int> owner;
    owner.reserve(std::size_t(l.notes));
    owner.insert(owner.end(), std::size_t(l.group1Notes), 1);
    owner.insert(owner.end(), std::size_t(l.group2Notes), 2);
    for (int i = 0; int(owner.size()) < l.notes; ++i)
        owner.push_back(3 + i % (l.groups - 2));
    std::mt19937 rng(20261207);
    std::shuffle(owner.begin(), owner.end(), rng);

    try {
        SQLite::Database raw(QFile::encodeName(path).toStdString(), SQLite::OPEN_READWRITE);
        SQLite::Transaction tx(raw);
        SQLite::Statement g(raw, "INSERT INTO Groups (vGroupName) VALUES (?)");
        for (int i = 1; i <= l.groups; ++i) {
            g.bind(1, QStringLiteral("组 %1").arg(i).toStdString());
            g.exec();
            g.reset();
        }
        SQLite::Statement n(raw, "INSERT INTO Notes (nNoteTitle, nAddDate, nLastUpdate, nPriority, "
                                 "nIcon, nGroupID, nColor, nNote) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        for (int i = 0; i < l.notes; ++i) {
            const std::string date = "2026/" + std::to_string(1 + i % 12) + "/" + std::to_string(1 + i % 28)
                + " " + std::to_string(10 + i % 14) + ":" + std::to_string(10 + i % 50);
            n.bind(1, QStringLiteral("笔记标题 第%1篇").arg(i + 1).toStdString());
            n.bind(2, date);
            n.bind(3, date);
            n.bind(4, Priorities[i % 5]);
            n.bind(5, 1 + i % 24);
            n.bind(6, owner[std::size_t(i)]);
            n.bind(7, std::to_string(Colors[i % 7]));
            n.bind(8, rtfBody(rng, i, source));
            n.exec();
            n.reset();
        }
        tx.commit();
    } catch (const std::exception &e) {
        QFile::remove(path);
        return QString::fromUtf8(e.what());
    }
    return {};
}

} // namespace NotebookGenerator
