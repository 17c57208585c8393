#include "JetReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/resource.h>

namespace {

// Limits for the reader process: a damaged file may make libmdb loop while its memory grows.
constexpr rlim_t kMemoryLimit = rlim_t(1) << 30;  // address space
constexpr rlim_t kCpuSeconds = 40;

class Cursor
{
public:
    explicit Cursor(const QByteArray &data) : m_data(data) {}
    bool atEnd() const { return m_pos >= m_data.size(); }
    bool byte(char &c)
    {
        if (m_pos + 1 > m_data.size())
            return false;
        c = m_data.at(m_pos++);
        return true;
    }
    bool u32(quint32 &v) { return littleEndian(v); }
    bool i64(qint64 &v) { return littleEndian(v); }
    bool string(QString &s)
    {
        quint32 n = 0;
        if (!u32(n) || n > quint32(m_data.size() - m_pos))
            return false;
        s = QString::fromUtf8(m_data.constData() + m_pos, qsizetype(n));
        m_pos += n;
        return true;
    }

private:
    template <typename T>
    bool littleEndian(T &v)
    {
        if (m_pos + qsizetype(sizeof(T)) > m_data.size())
            return false;
        v = qFromLittleEndian<T>(m_data.constData() + m_pos);
        m_pos += qsizetype(sizeof(T));
        return true;
    }

    const QByteArray &m_data;
    qsizetype m_pos = 0;
};

std::optional<QString> textAt(const QList<QVariant> &row, int i)
{
    if (i < 0 || i >= row.size() || !row.at(i).isValid())
        return std::nullopt;
    return row.at(i).toString();
}

std::optional<qint64> numberAt(const QList<QVariant> &row, int i)
{
    if (i < 0 || i >= row.size() || !row.at(i).isValid())
        return std::nullopt;
    bool ok = false;
    const qint64 v = row.at(i).toLongLong(&ok);
    return ok ? std::optional<qint64>(v) : std::nullopt;
}

const JetTable *findTable(const QList<JetTable> &tables, const QString &name)
{
    for (const JetTable &t : tables)
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

} // namespace

FileKind sniffFileKind(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile())
        return FileKind::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return FileKind::Other;
    const QByteArray head = file.read(32);
    if (head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return FileKind::Quillbook;
    // Jet files carry their engine name at offset 4 and the version at 0x14: 1 is Jet 4.0.
    if (head.size() > 0x14 && head.mid(4, 16) == QByteArray("Standard Jet DB\0", 16) && head.at(0x14) == 1)
        return FileKind::Jet4;
    return FileKind::Other;
}

bool parseJetOutput(const QByteArray &data, QList<JetTable> &tables, QString *error)
{
    auto fail = [error](const char *why) {
        if (error)
            *error = QString::fromLatin1(why);
        return false;
    };
    if (!data.startsWith("QBJ1\n"))
        return fail("missing header");
    Cursor in(data);
    for (int i = 0; i < 5; ++i) {
        char skip;
        in.byte(skip);
    }
    tables.clear();
    for (;;) {
        char tag = 0;
        if (!in.byte(tag))
            return fail("output ends early");
        if (tag == 'Z')
            return in.atEnd() ? true : fail("data after the end");
        if (tag != 'T')
            return fail("table expected");
        JetTable table;
        quint32 columnCount = 0;
        if (!in.string(table.name) || !in.u32(columnCount) || columnCount > 256)
            return fail("bad table header");
        for (quint32 c = 0; c < columnCount; ++c) {
            QString column;
            if (!in.string(column))
                return fail("bad column name");
            table.columns << column;
        }
        for (;;) {
            if (!in.byte(tag))
                return fail("table ends early");
            if (tag == 'E')
                break;
            if (tag == 'M') {
                if (!in.u32(table.unreadRows) || !in.u32(table.unreadPages))
                    return fail("bad count of unread rows");
                continue;
            }
            if (tag != 'R' && tag != 'D')
                return fail("row expected");
            if (tag == 'D')
                table.partialRows << int(table.rows.size());
            QList<QVariant> row;
            row.reserve(columnCount);
            for (quint32 c = 0; c < columnCount; ++c) {
                char kind = 0;
                if (!in.byte(kind))
                    return fail("row ends early");
                if (kind == 'N') {
                    row << QVariant();
                } else if (kind == 'I') {
                    qint64 v = 0;
                    if (!in.i64(v))
                        return fail("bad number");
                    row << QVariant(v);
                } else if (kind == 'S') {
                    QString s;
                    if (!in.string(s))
                        return fail("bad text");
                    row << QVariant(s);
                } else {
                    return fail("unknown value kind");
                }
            }
            table.rows << row;
        }
        tables << table;
    }
}

QString jetReaderPath()
{
    const QString chosen = qEnvironmentVariable("QUILLBOOK_JET_READER");
    if (!chosen.isEmpty())
        return chosen;
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("qbf-jet-reader"));
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStringLiteral(QB_JET_READER_BUILD_PATH);
}

namespace {

struct ProcessRun
{
    bool started = false;
    bool crashedOrKilled = false;
    int exitCode = -1;
    QByteArray output;
};

// Runs the reader on a private copy of path, so nothing can touch the user's file.
ProcessRun runReaderProcess(const QString &path, const QStringList &arguments,
                            const std::function<void(qint64)> &progress, const JetReaderLimits &limits)
{
    ProcessRun run;
    QTemporaryDir work;
    const QString copy = work.filePath(QStringLiteral("input.mdb"));
    if (!work.isValid() || !QFile::copy(path, copy))
        return run;

    QProcess process;
    process.setProgram(jetReaderPath());
    process.setArguments(QStringList{copy} + arguments);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.setChildProcessModifier([] {
        const rlimit memory{kMemoryLimit, kMemoryLimit};
        const rlimit cpu{kCpuSeconds, kCpuSeconds};
        const rlimit none{0, 0};
        setrlimit(RLIMIT_AS, &memory);
        setrlimit(RLIMIT_CPU, &cpu);
        setrlimit(RLIMIT_CORE, &none);
        setrlimit(RLIMIT_FSIZE, &none);
    });
    process.start();
    if (!process.waitForStarted())
        return run;
    run.started = true;

    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(100);
        run.output += process.readAllStandardOutput();
        if (progress)
            progress(run.output.size());
        if (run.output.size() > limits.outputBytes || clock.elapsed() > limits.wallMilliseconds) {
            run.crashedOrKilled = true;
            process.kill();
            process.waitForFinished();
            return run;
        }
    }
    run.output += process.readAllStandardOutput();
    run.crashedOrKilled = process.exitStatus() != QProcess::NormalExit;
    run.exitCode = process.exitCode();
    return run;
}

QString damagedMessage() { return QStringLiteral("旧版数据库文件已损坏，无法读取。"); }
QString notLegacyMessage() { return QStringLiteral("这不是旧版数据库文件。"); }

} // namespace

JetReadResult runJetReader(const QString &path, const QStringList &tables,
                           const std::function<void(qint64)> &progress, const JetReaderLimits &limits)
{
    JetReadResult result;
    const ProcessRun run = runReaderProcess(path, tables, progress, limits);
    if (!run.started) {
        result.message = QStringLiteral("无法读取文件 %1。").arg(QDir::toNativeSeparators(path));
        return result;
    }
    if (run.crashedOrKilled) {
        result.status = JetReadResult::Damaged;
        result.message = damagedMessage();
        return result;
    }
    switch (run.exitCode) {
    case 0:
        break;
    case 2:
        result.status = JetReadResult::NotJet4;
        result.message = notLegacyMessage();
        return result;
    case 3:
        result.status = JetReadResult::NotNotebook;
        result.message = notLegacyMessage();
        return result;
    default:
        result.status = JetReadResult::Damaged;
        result.message = damagedMessage();
        return result;
    }
    QString why;
    if (!parseJetOutput(run.output, result.tables, &why)) {
        result.status = JetReadResult::Damaged;
        result.message = damagedMessage();
        return result;
    }
    result.status = JetReadResult::Ok;
    return result;
}

bool isLegacyNotebook(const QString &path, const JetReaderLimits &limits)
{
    if (sniffFileKind(path) != FileKind::Jet4)
        return false;
    const ProcessRun run = runReaderProcess(path, {QStringLiteral("--list")}, {}, limits);
    if (!run.started || run.crashedOrKilled || run.exitCode != 0)
        return false;
    const QStringList names = QString::fromUtf8(run.output).split(u'\n', Qt::SkipEmptyParts);
    for (const char *wanted : {"admin", "Groups", "Notes"})
        if (!names.contains(QLatin1String(wanted), Qt::CaseInsensitive))
            return false;
    return true;
}

bool toLegacyNotebook(const QList<JetTable> &tables, LegacyNotebook &out, QString *error)
{
    const JetTable *admin = findTable(tables, QStringLiteral("admin"));
    const JetTable *groups = findTable(tables, QStringLiteral("Groups"));
    const JetTable *notes = findTable(tables, QStringLiteral("Notes"));
    if (!admin || !groups || !notes) {
        if (error)
            *error = QStringLiteral("a notebook table is missing");
        return false;
    }
    auto col = [](const JetTable *t, const char *name) { return int(t->columns.indexOf(QLatin1String(name), 0)); };
    // Column names compare without case, as the old engine did.
    auto colCi = [&](const JetTable *t, const char *name) {
        for (int i = 0; i < t->columns.size(); ++i)
            if (t->columns.at(i).compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return i;
        return col(t, name);
    };

    out = LegacyNotebook();
    // Without the password row read whole, the new notebook could end up unprotected.
    if (!admin->whole()) {
        if (error)
            *error = QStringLiteral("the password row cannot be read");
        return false;
    }
    if (!admin->rows.isEmpty())
        out.password = textAt(admin->rows.first(), colCi(admin, "vPassword"));

    LegacyDamage &damage = out.damage;
    const int gId = colCi(groups, "ID"), gName = colCi(groups, "vGroupName");
    if (gId < 0 || gName < 0) {
        if (error)
            *error = QStringLiteral("a group column is missing");
        return false;
    }
    const QSet<int> partialGroups(groups->partialRows.cbegin(), groups->partialRows.cend());
    for (qsizetype i = 0; i < groups->rows.size(); ++i) {
        const auto &row = groups->rows.at(i);
        const auto id = numberAt(row, gId);
        if (!id) {
            ++damage.lostGroups; // a row without an ID cannot be addressed
            continue;
        }
        out.groups.push_back(ImportGroup{*id, textAt(row, gName)});
        if (partialGroups.contains(int(i)))
            damage.partialGroups.push_back({*id, textAt(row, gName)});
    }
    damage.lostGroups += groups->unreadRows;
    damage.someGroupsLost = groups->unreadPages > 0;

    const int nId = colCi(notes, "ID"), nTitle = colCi(notes, "nNoteTitle"), nAdd = colCi(notes, "nAddDate"),
              nLast = colCi(notes, "nLastUpdate"), nPrio = colCi(notes, "nPriority"), nIcon = colCi(notes, "nIcon"),
              nGroup = colCi(notes, "nGroupID"), nColor = colCi(notes, "nColor"), nBody = colCi(notes, "nNote");
    if (nId < 0 || nTitle < 0 || nAdd < 0 || nLast < 0 || nPrio < 0 || nIcon < 0 || nGroup < 0 || nColor < 0
        || nBody < 0) {
        if (error)
            *error = QStringLiteral("a note column is missing");
        return false;
    }
    const QSet<int> partialNotes(notes->partialRows.cbegin(), notes->partialRows.cend());
    for (qsizetype i = 0; i < notes->rows.size(); ++i) {
        const auto &row = notes->rows.at(i);
        const auto id = numberAt(row, nId);
        if (!id) {
            ++damage.lostNotes;
            continue;
        }
        out.notes.push_back(ImportNote{*id, textAt(row, nTitle), textAt(row, nAdd), textAt(row, nLast),
                                       textAt(row, nPrio), numberAt(row, nIcon), numberAt(row, nGroup),
                                       textAt(row, nColor), textAt(row, nBody)});
        if (partialNotes.contains(int(i)))
            damage.partialNotes.push_back({*id, textAt(row, nTitle)});
    }
    damage.lostNotes += notes->unreadRows;
    damage.someNotesLost = notes->unreadPages > 0;
    return true;
}
