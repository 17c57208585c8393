// Search: the matching rules over real RTF bodies, ranking and scope, the index against a plain
// scan after random writes, other programs' writes, older notebooks and a damaged index.

#include "StoreTestUtil.h"

#include "search/ChineseVariants.h"
#include "search/NoteIndex.h"
#include "search/NoteSearch.h"
#include "search/NoteText.h"
#include "search/SearchText.h"
#include "store/Groups.h"
#include "store/Notebook.h"
#include "store/Notes.h"
#include "store/Schema.h"

#include <QTest>

#include <functional>
#include <random>
#include <set>

namespace {

struct Sample
{
    const char *title;
    const char *body;
};

// Titles name the notes in the expected results.
const Sample Samples[] = {
    {"greeting", R"({\rtf1\ansi\ansicpg936{\fonttbl{\f0\fnil\fcharset134 \'cb\'ce\'cc\'e5;}}\f0 \'c4\'e3\'ba\'c3\'ca\'c0\'bd\'e7\par Debian 12})"},
    {"fonts", R"({\rtf1\ansi{\fonttbl{\f0\fnil\fcharset134 SimSun;}}{\colortbl ;\red255\green0\blue0;}\f0 \cf1 visible \u23435?\u20307? text\par})"},
    {"picture", R"({\rtf1\ansi caption{\pict\wmetafile8\picw1\pich1 89504e470d0a1a0a0000000d49484452d8ffe0}{\*\generator Msftedit 5.41;} after})"},
    {"phrases", R"({\rtf1\ansi hello world\par hello big world\par \'c9cole\par number 123 and \u-10179?\u-8704? smile})"},
    {"greek", "αβγ ΔΕΖ plain text body {curly} price"},
    {"abc", R"({\rtf1\ansi def})"},
    {"标题里有世界", ""},
};

QStringList titles(const SearchResult &r)
{
    QStringList out;
    for (const SearchHit &h : r.hits)
        out << h.item.title;
    out.sort();
    return out;
}

} // namespace

class TestSearch : public QObject, protected FreshNotebookFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void matching_data();
    void matching();
    void hitRanges_data();
    void hitRanges();
    void rankingScopeAndLimit();
    void rankingByDateWhileNotesWait_data();
    void rankingByDateWhileNotesWait();
    void traditionalAndSimplified_data();
    void traditionalAndSimplified();
    void indexAgreesWithScanAfterRandomWrites();
    void writesOfOtherProgramsAreIndexed();
    void indexIsWrittenWithTheNote();
    void savedNoteChangedByAnotherProgram_data();
    void savedNoteChangedByAnotherProgram();
    void olderNotebookIsIndexedResumably();
    void damagedIndexIsRebuilt_data();
    void damagedIndexIsRebuilt();
    void indexWithoutStagingIsMigratedNotRebuilt();

private:
    QStringList find(const QString &query, qint64 group = -1);
    // The answer in r; false when the search failed.
    bool search(const QString &query, const SearchOptions &options, SearchResult &r);
    void agreesWithScan(const std::vector<qint64> &groups, const std::function<QString()> &randomQuery, int queries);
    qint64 group1_ = 0;
};

void TestSearch::init()
{
    QVERIFY(openFreshNotebook(QStringLiteral("search.qbf")));
    NoteIndex::attach(*db_);
    group1_ = Groups(*db_).add(QStringLiteral("工作")).value();
    for (const Sample &s : Samples)
        QVERIFY(Notes(*db_).add(group1_, makeNote(QString::fromUtf8(s.title), QStringLiteral("一般"), 0,
                                                QString::fromUtf8(s.body))));
}

void TestSearch::cleanup()
{
    closeFreshNotebook();
}

bool TestSearch::search(const QString &query, const SearchOptions &options, SearchResult &r)
{
    std::optional<SearchResult> found = NoteSearch(*db_).find(query, options);
    r = found.value_or(SearchResult{});
    return found.has_value();
}

QStringList TestSearch::find(const QString &query, qint64 group)
{
    SearchOptions options;
    options.groupId = group;
    options.limit = 0;
    SearchResult r;
    if (!search(query, options, r))
        return {QStringLiteral("failed: ") + db_->lastError()};
    if (r.total != qint64(r.hits.size()) || r.unindexed != 0)
        return {QStringLiteral("incomplete")};
    return titles(r);
}

void TestSearch::matching_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("expected");
    const QStringList none;
    auto row = [](const char *name, const QString &q, const QStringList &e) { QTest::newRow(name) << q << e; };
    row("nominal: two characters inside a word (GBK bytes)", QStringLiteral("世界"), {"greeting", "标题里有世界"});
    row("nominal: one character", QStringLiteral("界"), {"greeting", "标题里有世界"});
    row("nominal: three characters", QStringLiteral("好世界"), {"greeting"});
    row("nominal: four characters", QStringLiteral("你好世界"), {"greeting"});
    row("nominal: six characters, a line break included", QStringLiteral("世界\nDeb"), {"greeting"});
    row("nominal: Latin in any case", QStringLiteral("DEBIAN"), {"greeting"});
    row("nominal: full-width Latin", QStringLiteral("ｄｅｂｉａｎ"), {"greeting"});
    row("nominal: full-width digits", QStringLiteral("１２３"), {"phrases"});
    row("nominal: digits", QStringLiteral("12"), {"greeting", "phrases"});
    row("nominal: accented Latin folds", QStringLiteral("ÉCOLE"), {"phrases"});
    row("nominal: Greek matches exactly", QStringLiteral("ΑΒΓ"), none);
    row("nominal: Greek as written", QStringLiteral("ΔΕΖ"), {"greek"});
    row("nominal: character beyond the basic plane", QStringLiteral("\U0001F600"), {"phrases"});
    row("nominal: plain-text body as it is", QStringLiteral("{curly}"), {"greek"});
    row("nominal: unquoted terms are separate", QStringLiteral("hello world"), {"phrases"});
    row("nominal: quotes keep the blank", QStringLiteral("\"hello world\""), {"phrases"});
    row("nominal: quoted phrase not present", QStringLiteral("\"big hello\""), none);
    row("nominal: quoted phrase of one blank-separated pair", QStringLiteral("\"big world\""), {"phrases"});
    row("nominal: ideographic space splits", QStringLiteral("你好\u3000debian"), {"greeting"});
    row("nominal: every term must match", QStringLiteral("你好 text"), none);
    row("nominal: terms in title and body", QStringLiteral("greeting 你好"), {"greeting"});
    row("nominal: title only", QStringLiteral("标题"), {"标题里有世界"});
    row("nominal: visible \\uN text", QStringLiteral("宋体"), {"fonts"});
    row("trap: font name", QStringLiteral("SimSun"), none);
    row("trap: control word", QStringLiteral("fcharset"), none);
    row("trap: colour table", QStringLiteral("red255"), none);
    row("trap: picture hex", QStringLiteral("89504e47"), none);
    row("trap: picture hex, short", QStringLiteral("d8ff"), none);
    row("trap: ignored destination", QStringLiteral("Msftedit"), none);
    row("trap: RTF header", QStringLiteral("rtf1"), none);
    row("trap: title and body do not join", QStringLiteral("cd"), none);
    row("robustness: absent string", QStringLiteral("量子纠缠"), none);
    row("robustness: empty query", QString(), none);
    row("robustness: blanks only", QStringLiteral("  \u3000 "), none);
    row("robustness: lone quote", QStringLiteral("\""), none);
    row("robustness: FTS syntax is text", QStringLiteral("AND OR NOT *"), none);
}

void TestSearch::matching()
{
    QFETCH(QString, query);
    QFETCH(QStringList, expected);
    QCOMPARE(find(query), expected);
}

void TestSearch::hitRanges_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QList<int>>("startsAndLengths");
    QTest::newRow("nominal: every occurrence") << QStringLiteral("世界你好世界") << QStringLiteral("世界") << QList<int>{0, 2, 4, 2};
    QTest::newRow("nominal: folded case and width keep positions")
        << QStringLiteral("Ｄｅｂｉａｎ and DEBIAN") << QStringLiteral("debian") << QList<int>{0, 6, 11, 6};
    QTest::newRow("nominal: overlapping terms merge") << QStringLiteral("abcdef") << QStringLiteral("abc cd") << QList<int>{0, 4};
    QTest::newRow("nominal: surrogate pair counts two") << QStringLiteral("a\U0001F600b") << QStringLiteral("b") << QList<int>{3, 1};
    QTest::newRow("robustness: nothing") << QStringLiteral("abc") << QStringLiteral("x") << QList<int>{};
}

void TestSearch::hitRanges()
{
    QFETCH(QString, text);
    QFETCH(QString, query);
    QFETCH(QList<int>, startsAndLengths);
    QList<int> got;
    for (const SearchText::Range &r : SearchText::hits(text, SearchText::terms(query)))
        got << int(r.start) << int(r.length);
    QCOMPARE(got, startsAndLengths);
}

void TestSearch::rankingScopeAndLimit()
{
    const qint64 home = Groups(*db_).add(QStringLiteral("家")).value();
    auto add = [&](qint64 group, const QString &title, const QString &updated, const QString &body) {
        CurrentNote n = makeNote(title, QStringLiteral("一般"), 0, body);
        n.NoteLastUpdate = updated;
        QVERIFY(Notes(*db_).add(group, n));
    };
    add(home, QStringLiteral("body old"), QStringLiteral("2025/1/2 8:00"), QStringLiteral("关键词"));
    add(home, QStringLiteral("body new"), QStringLiteral("2025/11/20 8:00"), QStringLiteral("关键词"));
    add(group1_, QStringLiteral("关键词 title old"), QStringLiteral("2024/1/1 1:00"), QString());
    add(home, QStringLiteral("关键词 title new"), QStringLiteral("2025/1/10 9:00"), QStringLiteral("关键词"));
    SearchOptions options;
    SearchResult r;
    QVERIFY(search(QStringLiteral("关键"), options, r));
    QStringList order;
    for (const SearchHit &h : r.hits)
        order << h.item.title + QLatin1Char('/') + h.groupName;
    // Dates compare as dates, not as text ("2025/11" after "2025/1/").
    QCOMPARE(order, (QStringList{"关键词 title new/家", "关键词 title old/工作", "body new/家", "body old/家"}));
    QCOMPARE(r.terms, QStringList{QStringLiteral("关键")});
    options.limit = 2;
    QVERIFY(search(QStringLiteral("关键"), options, r));
    QCOMPARE(r.total, 4);
    QCOMPARE(r.hits.size(), std::size_t(2));
    QCOMPARE(find(QStringLiteral("关键"), home), (QStringList{"body new", "body old", "关键词 title new"}));
    QCOMPARE(find(QStringLiteral("关键"), group1_), QStringList{"关键词 title old"});
    QCOMPARE(find(QStringLiteral("关键"), 999), QStringList{});
}

void TestSearch::rankingByDateWhileNotesWait_data()
{
    QTest::addColumn<bool>("datedNotesWait");
    QTest::newRow("nominal: indexed notes while more notes wait than a search indexes first") << false;
    QTest::newRow("nominal: the dated notes wait themselves") << true;
}

// More notes waiting than a search indexes before it answers: the answer joins the waiting
// notes and the indexed ones, and both rank by date (the newer note has the lower ID).
void TestSearch::rankingByDateWhileNotesWait()
{
    QFETCH(bool, datedNotesWait);
    const QStringList dates = {QStringLiteral("2030/1/2 00:00"), QStringLiteral("2001/12/31 23:59")};
    if (!datedNotesWait) {
        for (const QString &date : dates) {
            CurrentNote n = makeNote(QStringLiteral("到期 ") + date, QStringLiteral("一般"), 0, QStringLiteral("到期"));
            n.NoteLastUpdate = date;
            QVERIFY(Notes(*db_).add(group1_, n));
        }
    }
    db_->close();
    {
        RawDb raw(path_);
        QCOMPARE(raw.exec("BEGIN"), 0);
        for (const QString &date : datedNotesWait ? dates : QStringList{})
            QCOMPARE(raw.exec(QStringLiteral("INSERT INTO Notes (nNoteTitle, nGroupID, nNote, nLastUpdate) "
                                             "VALUES ('到期 %1', 1, '到期', '%1')")
                                  .arg(date).toUtf8().constData()),
                     0);
        for (int i = 0; i < 2001; ++i)
            QCOMPARE(raw.exec("INSERT INTO Notes (nNoteTitle, nGroupID, nNote) VALUES ('filler', 1, 'x')"), 0);
        QCOMPARE(raw.exec("COMMIT"), 0);
    }
    db_->open(path_);
    SearchResult r;
    QVERIFY(search(QStringLiteral("到期"), {}, r));
    QVERIFY(r.unindexed > 2000);
    QStringList order;
    for (const SearchHit &h : r.hits)
        order << h.item.title;
    QCOMPARE(order, (QStringList{"到期 " + dates[0], "到期 " + dates[1]}));
}

void TestSearch::traditionalAndSimplified_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("variants");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("marked"); // what the result's terms highlight in the notes found
    auto row = [](const char *name, const QString &q, bool on, const QStringList &e, const QStringList &m) {
        QTest::newRow(name) << q << on << e << m;
    };
    const QStringList none;
    row("nominal: Simplified finds Traditional", QStringLiteral("发展"), true, {"繁体"}, {"發展"});
    row("nominal: Traditional finds Simplified", QStringLiteral("資料"), true, {"报告", "简体"}, {"资料", "资料"});
    row("nominal: a term as written still matches", QStringLiteral("發展"), true, {"繁体"}, {"發展"});
    row("nominal: two terms, one in each script", QStringLiteral("经济 資料"), true, {"报告"}, {"經濟", "资料"});
    row("nominal: four characters, checked in the body", QStringLiteral("经济发展"), true, {"繁体"}, {"經濟發展"});
    row("nominal: converted as a word, not character by character", QStringLiteral("头发"), true, {"头发"}, {"頭髮"});
    row("nominal: Latin unchanged", QStringLiteral("QUILL"), true, {"拉丁"}, {"Quill"});
    row("nominal: a term of one form with one of two", QStringLiteral("quill 發"), true, {"拉丁"}, {"Quill", "发"});
    row("nominal: every term must match", QStringLiteral("发展 资料"), true, none, none);
    row("nominal: off, Simplified does not find Traditional", QStringLiteral("发展"), false, none, none);
    row("nominal: off, Traditional does not find Simplified", QStringLiteral("資料"), false, none, none);
    row("nominal: off, as written", QStringLiteral("發展"), false, {"繁体"}, {"發展"});
}

void TestSearch::traditionalAndSimplified()
{
    QFETCH(QString, query);
    QFETCH(bool, variants);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, marked);
    if (ChineseVariants::of(QStringLiteral("發展")).size() < 2)
        QSKIP("no Traditional/Simplified conversion data (libopencc-data)");
    const QHash<QString, QString> notes{
        {QStringLiteral("繁体"), QStringLiteral("經濟發展很快")},
        {QStringLiteral("简体"), QStringLiteral("收集资料")},
        {QStringLiteral("报告"), QStringLiteral("經濟\n附上资料")},
        {QStringLiteral("头发"), QStringLiteral("剪頭髮")},
        {QStringLiteral("拉丁"), QStringLiteral("Quill 发")},
    };
    for (auto it = notes.begin(); it != notes.end(); ++it)
        QVERIFY(Notes(*db_).add(group1_, makeNote(it.key(), QStringLiteral("一般"), 0, it.value())));
    SearchOptions options;
    options.limit = 0;
    options.traditionalSimplified = variants;
    SearchResult r;
    QVERIFY(search(query, options, r));
    QCOMPARE(titles(r), expected);
    QStringList got;
    for (const SearchHit &h : r.hits) {
        const QString text = notes.value(h.item.title);
        for (const SearchText::Range &range : SearchText::hits(text, r.terms))
            got << text.mid(range.start, range.length);
    }
    got.sort();
    QCOMPARE(got, marked);
}

void TestSearch::indexAgreesWithScanAfterRandomWrites()
{
    // A small alphabet makes every query hit many notes, and many texts change their hits.
    const QString alphabet = QStringLiteral("天地人和aB ｂ");
    std::mt19937 rng(1407);
    auto randomText = [&](int maxLen) {
        QString s;
        const int n = std::uniform_int_distribution<int>(0, maxLen)(rng);
        for (int i = 0; i < n; ++i)
            s += alphabet[std::uniform_int_distribution<int>(0, int(alphabet.size()) - 1)(rng)];
        return s;
    };
    auto rtfOf = [](const QString &text) {
        QString rtf = QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 ");
        for (const QChar c : text)
            rtf += c.unicode() < 0x80 ? QString(c) : QStringLiteral("\\u%1?").arg(int(c.unicode()));
        return rtf + QLatin1Char('}');
    };
    const std::vector<qint64> groups = {group1_, Groups(*db_).add(QStringLiteral("二")).value()};
    std::vector<qint64> ids;
    auto randomQuery = [&] { return randomText(4).trimmed(); };
    for (int step = 0; step < 300; ++step) {
        // Also while saved notes wait to go into the full-text table together.
        if (step % 100 == 99) {
            agreesWithScan(groups, randomQuery, 20);
            if (QTest::currentTestFailed())
                return;
        }
        const int action = ids.empty() ? 0 : std::uniform_int_distribution<int>(0, 5)(rng);
        const qint64 group = groups[std::size_t(std::uniform_int_distribution<int>(0, 1)(rng))];
        const QString title = QStringLiteral("t") + randomText(8);
        if (action <= 1) {
            ids.push_back(Notes(*db_).add(group, makeNote(title, QStringLiteral("一般"), 0, rtfOf(randomText(30)))).value());
            continue;
        }
        const std::size_t at = std::size_t(std::uniform_int_distribution<int>(0, int(ids.size()) - 1)(rng));
        if (action == 2 || action == 3)
            QVERIFY(Notes(*db_).update(ids[at], makeNote(title, QStringLiteral("一般"), 0, rtfOf(randomText(30)))));
        else if (action == 4)
            QVERIFY(Notes(*db_).move(ids[at], group));
        else {
            QVERIFY(Notes(*db_).remove(ids[at]));
            ids.erase(ids.begin() + qsizetype(at));
        }
    }
    agreesWithScan(groups, randomQuery, 60);
}

void TestSearch::agreesWithScan(const std::vector<qint64> &groups, const std::function<QString()> &randomQuery,
                                int queries)
{
    // The brute-force answer: every note's title and visible body, folded, searched directly.
    for (int q = 0; q < queries; ++q) {
        const QString query = randomQuery();
        const QStringList terms = SearchText::terms(query);
        for (const qint64 group : {qint64(-1), groups[1]}) {
            VectorNoteSink notes;
            Notes(*db_).list(notes, group);
            QStringList expected;
            for (const NoteItem &n : notes.items) {
                const qint64 id = n.key.mid(1).toLongLong();
                const QString title = SearchText::fold(n.title);
                const QString body = SearchText::fold(NoteText::visibleText(Notes(*db_).body(id)));
                bool all = !terms.isEmpty();
                for (const QString &t : terms)
                    all = all && (title.contains(t) || body.contains(t));
                if (all)
                    expected << n.title;
            }
            expected.sort();
            QVERIFY2(find(query, group) == expected, qPrintable(query));
        }
    }
}

void TestSearch::writesOfOtherProgramsAreIndexed()
{
    {
        RawDb raw(path_);
        QCOMPARE(raw.exec("INSERT INTO Notes (nNoteTitle, nGroupID, nNote) VALUES ('外来', 1, 'plain 外来的文字')"), 0);
        QCOMPARE(raw.exec("UPDATE Notes SET nNote = '{\\rtf1 \\u26032?\\u25991?}' WHERE nNoteTitle = 'greeting'"), 0);
        QCOMPARE(raw.exec("DELETE FROM Notes WHERE nNoteTitle = 'fonts'"), 0);
        QCOMPARE(raw.exec("UPDATE Notes SET ID = 500 WHERE nNoteTitle = 'abc'"), 0);
    }
    QCOMPARE(NoteSearch(*db_).unindexed(), 5); // the renumbered note under both IDs
    QCOMPARE(find(QStringLiteral("外来的")), QStringList{"外来"});
    QCOMPARE(find(QStringLiteral("你好")), QStringList{});
    QCOMPARE(find(QStringLiteral("新文")), QStringList{"greeting"});
    QCOMPARE(find(QStringLiteral("宋体")), QStringList{});
    QCOMPARE(find(QStringLiteral("def")), QStringList{"abc"});
    QCOMPARE(NoteSearch(*db_).unindexed(), 0);
}

void TestSearch::indexIsWrittenWithTheNote()
{
    RawDb raw(path_);
    // Each write leaves nothing waiting: the index changed in the note's own transaction.
    const qint64 id = Notes(*db_).add(group1_, makeNote(QStringLiteral("新"), QStringLiteral("一般"), 0, QStringLiteral("甲乙丙"))).value();
    QCOMPARE(raw.count(QStringLiteral("SearchPending")), 0);
    QCOMPARE(raw.scalar(QStringLiteral("SELECT Body FROM SearchBodies WHERE ID = %1").arg(id)), QStringLiteral("甲乙丙"));
    // A refused write leaves the index as it was.
    QVERIFY(!Notes(*db_).update(id, makeNote(QString(), QStringLiteral("一般"), 0, QStringLiteral("丁"))));
    QCOMPARE(raw.scalar(QStringLiteral("SELECT Body FROM SearchBodies WHERE ID = %1").arg(id)), QStringLiteral("甲乙丙"));
    QCOMPARE(raw.count(QStringLiteral("SearchPending")), 0);
    QVERIFY(Groups(*db_).remove(group1_));
    QCOMPARE(raw.count(QStringLiteral("SearchPending")), 0);
    QCOMPARE(raw.count(QStringLiteral("SearchBodies")), 0);
    QCOMPARE(find(QStringLiteral("甲")), QStringList{});
    // A session given no index still writes notes; they wait for the index.
    Notebook plain;
    plain.open(path_);
    QVERIFY(Notes(plain).add(1, makeNote(QStringLiteral("无"), QStringLiteral("一般"), 0, QStringLiteral("戊己"))));
    QCOMPARE(raw.count(QStringLiteral("SearchPending")), 1);
    SearchResult r;
    QVERIFY(!NoteSearch(plain).find(QStringLiteral("戊"), {}));
    QCOMPARE(find(QStringLiteral("戊")), QStringList{"无"});
}

void TestSearch::savedNoteChangedByAnotherProgram_data()
{
    QTest::addColumn<bool>("indexedBefore");
    QTest::addColumn<int>("saves");
    QTest::newRow("nominal: saved once after the index took it") << true << 1;
    QTest::newRow("nominal: saved twice after the index took it") << true << 2;
    QTest::newRow("nominal: saved since it was added") << false << 1;
}

void TestSearch::savedNoteChangedByAnotherProgram()
{
    // The full-text table keeps a saved note's old runs until the staged notes go in together;
    // whatever happens to the note meanwhile, those old runs are the ones taken out.
    QFETCH(bool, indexedBefore);
    QFETCH(int, saves);
    const qint64 id = Notes(*db_).add(group1_, makeNote(QStringLiteral("x"), QStringLiteral("一般"), 0, QStringLiteral("甲乙"))).value();
    if (indexedBefore)
        QVERIFY(NoteSearch(*db_).buildIndex());
    for (int i = 0; i < saves; ++i)
        QVERIFY(Notes(*db_).update(id, makeNote(QStringLiteral("x"), QStringLiteral("一般"), 0, QStringLiteral("丙丁%1").arg(i))));
    QCOMPARE(find(QStringLiteral("丙丁")), QStringList{"x"});
    QCOMPARE(find(QStringLiteral("甲")), QStringList{});
    {
        RawDb raw(path_);
        QCOMPARE(raw.exec(qPrintable(QStringLiteral("UPDATE Notes SET nNote = '戊己' WHERE ID = %1").arg(id))), 0);
    }
    for (const char *gone : {"甲", "乙", "丙", "丁"})
        QVERIFY2(find(QString::fromUtf8(gone)).isEmpty(), gone);
    QCOMPARE(find(QStringLiteral("戊己")), QStringList{"x"});
    QVERIFY(NoteSearch(*db_).buildIndex());
    QCOMPARE(find(QStringLiteral("丙")), QStringList{});
    QCOMPARE(find(QStringLiteral("己")), QStringList{"x"});
    QVERIFY(Notes(*db_).remove(id));
    QCOMPARE(find(QStringLiteral("戊")), QStringList{});
    QVERIFY(NoteSearch(*db_).buildIndex());
    QCOMPARE(find(QStringLiteral("戊")), QStringList{});
    QCOMPARE(RawDb(path_).scalar(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
}

void TestSearch::olderNotebookIsIndexedResumably()
{
    constexpr int Older = 3000;
    closeFreshNotebook();
    QVERIFY(openFreshNotebook(QStringLiteral("old.qbf")));
    db_->close();
    {
        // The layout before the index: version 1, none of the index's objects.
        RawDb raw(path_);
        QCOMPARE(raw.exec("DROP TRIGGER SearchNoteAdded; DROP TRIGGER SearchNoteChanged; DROP TRIGGER "
                          "SearchNoteDeleted; DROP TABLE SearchGrams; DROP TABLE SearchNotes; DROP TABLE "
                          "SearchBodies; DROP TABLE SearchPending; DROP TABLE SearchStaged; PRAGMA user_version = 1"),
                 0);
        QCOMPARE(raw.exec("BEGIN; INSERT INTO Groups (vGroupName) VALUES ('g')"), 0);
        for (int i = 0; i < Older; ++i)
            raw.exec(QStringLiteral("INSERT INTO Notes (nNoteTitle, nGroupID, nNote) VALUES ('n%1', 1, '第%1条')")
                         .arg(i).toUtf8().constData());
        QCOMPARE(raw.exec("COMMIT"), 0);
    }
    NoteIndex::attach(*db_);
    db_->open(path_);
    QVERIFY(db_->isOpen());
    QCOMPARE(RawDb(path_).scalar(QStringLiteral("PRAGMA user_version")), QStringLiteral("2"));
    QCOMPARE(NoteSearch(*db_).unindexed(), Older);
    // Usable meanwhile: an answer that says how much it does not cover yet.
    SearchResult r;
    QVERIFY(search(QStringLiteral("第12条"), {}, r));
    QCOMPARE(r.unindexed, Older);
    QCOMPARE(titles(r), QStringList{"n12"});
    std::atomic<bool> cancel = false;
    qint64 lastDone = -1, lastTotal = -1;
    QVERIFY(!NoteSearch(*db_).buildIndex(
                 [&](qint64 done, qint64 total) {
                     lastDone = done;
                     lastTotal = total;
                     cancel = done >= 500;
                 },
                 &cancel));
    QCOMPARE(db_->lastError(), QStringLiteral("cancelled"));
    QCOMPARE(lastTotal, Older);
    const qint64 left = NoteSearch(*db_).unindexed();
    QCOMPARE(left, Older - lastDone);
    QVERIFY(left > 0 && left < Older);
    // Half indexed, half waiting: still every match, ranked as one list (no dates: newest ID first).
    QVERIFY(search(QStringLiteral("第1"), {}, r));
    QCOMPARE(r.unindexed, left);
    QCOMPARE(r.total, 1 + 10 + 100 + 1000);
    QCOMPARE(qsizetype(r.hits.size()), 200);
    QCOMPARE(r.hits.front().item.title, QStringLiteral("n1999"));
    for (std::size_t i = 1; i < r.hits.size(); ++i)
        QVERIFY(r.hits[i - 1].id > r.hits[i].id);
    // Resumed from where it stopped, by another connection (as a worker would).
    db_->close();
    db_->open(path_);
    QCOMPARE(NoteSearch(*db_).unindexed(), left);
    QVERIFY(NoteSearch(*db_).buildIndex([&](qint64 done, qint64 total) { lastDone = done, lastTotal = total; }));
    QCOMPARE(lastTotal, left);
    QCOMPARE(lastDone, left);
    QCOMPARE(find(QStringLiteral("第12条")), QStringList{"n12"});
    QCOMPARE(find(QStringLiteral("第2999")), QStringList{"n2999"});
    QCOMPARE(find(QStringLiteral("第")).size(), Older);
}

void TestSearch::damagedIndexIsRebuilt_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("whileOpen");
    QTest::newRow("robustness: garbage in the FTS blocks") << "UPDATE SearchGrams_data SET block = x'0102030405060708090a' WHERE id > 10" << true;
    QTest::newRow("robustness: FTS structure record gone") << "DELETE FROM SearchGrams_data WHERE id = 10" << true;
    QTest::newRow("robustness: folded texts lost") << "DELETE FROM SearchBodies; DELETE FROM SearchNotes" << true;
    QTest::newRow("robustness: index table dropped") << "DROP TABLE SearchGrams" << false;
    QTest::newRow("robustness: trigger dropped") << "DROP TRIGGER SearchNoteChanged" << false;
    QTest::newRow("robustness: pending table dropped") << "DROP TABLE SearchPending" << false;
}

void TestSearch::damagedIndexIsRebuilt()
{
    QFETCH(QString, damage);
    QFETCH(bool, whileOpen);
    if (!whileOpen)
        db_->close();
    {
        RawDb raw(path_);
        QCOMPARE(raw.exec(damage.toUtf8().constData()), 0);
    }
    if (!whileOpen) {
        db_->open(path_);
        QVERIFY2(db_->isOpen(), qPrintable(db_->lastError()));
    }
    QCOMPARE(find(QStringLiteral("世界")), (QStringList{"greeting", "标题里有世界"}));
    QCOMPARE(find(QStringLiteral("visible")), QStringList{"fonts"});
    QVERIFY(Notes(*db_).update(1, makeNote(QStringLiteral("greeting"), QStringLiteral("一般"), 0, QStringLiteral("换了"))));
    QCOMPARE(find(QStringLiteral("世界")), QStringList{"标题里有世界"});
    QCOMPARE(RawDb(path_).scalar(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
}

void TestSearch::indexWithoutStagingIsMigratedNotRebuilt()
{
    NoteSearch(*db_).buildIndex(); // nothing staged, as in that layout
    QCOMPARE(RawDb(path_).scalar(QStringLiteral("SELECT count(*) FROM SearchStaged")), QStringLiteral("0"));
    db_->close();
    {
        // The layout before saves were staged: a whole index, no SearchStaged.
        RawDb raw(path_);
        QCOMPARE(raw.exec("DROP TABLE SearchStaged; PRAGMA user_version = 3"), 0);
    }
    db_->open(path_);
    QVERIFY2(db_->isOpen(), qPrintable(db_->lastError()));
    QCOMPARE(RawDb(path_).scalar(QStringLiteral("PRAGMA user_version")).toInt(), Schema::Version);
    QCOMPARE(NoteSearch(*db_).unindexed(), 0);
    QVERIFY(Notes(*db_).update(1, makeNote(QStringLiteral("greeting"), QStringLiteral("一般"), 0, QStringLiteral("换了"))));
    QCOMPARE(find(QStringLiteral("换了")), QStringList{"greeting"});
    QCOMPARE(find(QStringLiteral("世界")), QStringList{"标题里有世界"});
}

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
