#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

// Every Chinese string literal in the sources, one row each: a note is 记事, the notebook file is
// 数据库, and sentences take full-width punctuation. The program's original texts keep their exact
// words, so the few that break these habits are listed here and nowhere else.
class tst_Words : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void literal_data();
    void literal();
};

static const QSet<QString> kOriginal = {
    // 记事本 names a note in the original captions.
    QStringLiteral("记事本"), QStringLiteral("新建记事本"), QStringLiteral("编辑记事本"),
    QStringLiteral("删除记事本"), QStringLiteral("我的记事本"), QStringLiteral("记事本信息"),
    // Original messages with half-width punctuation.
    QStringLiteral("实例已经打开."), QStringLiteral("密码不匹配,就再试一次"),
    QStringLiteral("数据库文件存在错误."), QStringLiteral("添加新文档发生错误."),
    // Asked for word for word (removing a password, an older copy put back).
    QStringLiteral("要取消数据库密码吗？记事本将不再加密。"),
    QStringLiteral("这个记事本比上次打开时旧，可能是有人放回了较早的副本。"),
};

void tst_Words::literal_data()
{
    QTest::addColumn<QString>("text");
    static const QRegularExpression literal(QStringLiteral("\"((?:[^\"\\\\\n]|\\\\.)*)\""));
    static const QRegularExpression han(QStringLiteral("\\p{Han}"));
    QDirIterator it(QStringLiteral(QB_SOURCE_DIR), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    int rows = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
        const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
        const QString name = path.mid(int(qstrlen(QB_SOURCE_DIR)) + 1);
        for (int i = 0; i < lines.size(); ++i) {
            if (lines[i].trimmed().startsWith(QLatin1String("//")))
                continue;
            for (const auto &m : literal.globalMatch(lines[i])) {
                const QString text = m.captured(1);
                if (!text.contains(han) || kOriginal.contains(text))
                    continue;
                QTest::addRow("%s:%d", qPrintable(name), i + 1) << text;
                ++rows;
            }
        }
    }
    QVERIFY2(rows > 100, "the sources were not found or hold no Chinese texts");
}

void tst_Words::literal()
{
    QFETCH(QString, text);
    QVERIFY2(!text.contains(u"笔记"), qPrintable(text + QStringLiteral(": a note is 记事")));
    QVERIFY2(!text.contains(u"记事本"),
             qPrintable(text + QStringLiteral(": the notebook file is 数据库, a note 记事")));

    // What is not a sentence: file-chooser patterns "(*.qbf)" and their ";;", accelerators "(&Y)", numbered file
    // names "标题 (2)", the ellipsis of a menu row, escapes and the "quillbook-cli: " before a message.
    QString prose = text;
    static const QRegularExpression notProse(
        QStringLiteral("^[a-z-]+: |;;|\\((?:\\*\\.[\\w *.]+|\\*|&\\w|\\d+|%\\d)\\)|\\.\\.\\.|\\\\[nt\"]|https?://\\S+|--\\S+|\\b[\\w-]+\\.\\w+\\b"));
    prose.remove(notProse);
    static const QRegularExpression halfWidth(
        QStringLiteral("\\p{Han}\\s*[,;:?!()]|[,;:?!()]\\s*\\p{Han}|\\p{Han}\\.(?:\\s|$)"));
    const auto bad = halfWidth.match(prose);
    QVERIFY2(!bad.hasMatch(),
             qPrintable(text + QLatin1String(": half-width punctuation in a Chinese sentence at \"")
                        + bad.captured() + QLatin1Char('"')));
}

QTEST_APPLESS_MAIN(tst_Words)
#include "tst_words.moc"
