#include "store/AutoBackup.h"

#include "store/BackupFolder.h"
#include "store/NotebookPrivate.h"
#include "store/NotebookFile.h"
#include "store/crypto/FileStart.h"
#include "store/NotebookInfo.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QHash>
#include <QSet>
#include <QStandardPaths>
#include <QTimer>

#include <SQLiteCpp/Database.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <optional>

namespace AutoBackup {

namespace {

const QString PartSuffix = QStringLiteral(".part");
constexpr int DailyCopies = 7;
constexpr int WeeklyCopies = 4;

} // namespace

QString defaultFolder()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(base).filePath(QStringLiteral("Quillbook/backups"));
}

namespace {

// The copy the file is by its name, of a notebook of any name or of that one; nullopt for any other file.
std::optional<Copy> copyOf(const QFileInfo &file, const QString &notebookName = {})
{
    const QRegularExpression pattern = BackupFolder::namePattern();
    const QRegularExpressionMatch m = pattern.match(file.fileName());
    if (!m.hasMatch() || (!notebookName.isEmpty() && m.captured(1) != notebookName))
        return std::nullopt;
    Copy c{file.absoluteFilePath(), QDateTime::fromString(m.captured(2), BackupFolder::TimeFormat), file.size()};
    c.beforeRestore = !m.captured(3).isEmpty();
    return c.taken.isValid() ? std::optional<Copy>(c) : std::nullopt;
}

void sortNewestFirst(std::vector<Copy> &copies)
{
    std::sort(copies.begin(), copies.end(), [](const Copy &a, const Copy &b) {
        return a.sequence != b.sequence ? a.sequence > b.sequence : a.taken > b.taken;
    });
}

// Every copy in a notebook's place, whatever name the notebook had when it was taken.
std::vector<Copy> copiesIn(const QString &place)
{
    const BackupFolder::Record record = BackupFolder::read(place);
    QHash<QString, qint64> order;
    for (size_t i = 0; i < record.copies.size(); ++i)
        order.insert(record.copies[i].name, qint64(i));
    std::vector<Copy> out;
    const QFileInfoList files = QDir(place).entryInfoList(QDir::Files);
    for (const QFileInfo &f : files) {
        std::optional<Copy> found = copyOf(f);
        if (!found)
            continue;
        Copy &c = *found;
        c.kept = record.kept.contains(f.fileName());
        if (const auto at = order.constFind(f.fileName()); at != order.constEnd()) {
            c.sequence = *at;
            const BackupFolder::Entry &made = record.copies[size_t(*at)];
            c.kept = c.kept || made.size != f.size() || made.modifiedMs != f.lastModified().toMSecsSinceEpoch();
        }
        out.push_back(c);
    }
    sortNewestFirst(out);
    return out;
}

} // namespace

std::vector<Copy> list(const QString &folder, const QString &notebook)
{
    const QString place = BackupFolder::findPlace(folder, notebook);
    if (place.isEmpty())
        return {};
    std::vector<Copy> out = copiesIn(place);
    // Copies from before notebooks had an identity lie in the folder itself, those of every
    // notebook of the same name together: only one that says it is this notebook is shown.
    const QString base = QFileInfo(notebook).completeBaseName();
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files);
    for (const QFileInfo &f : files) {
        const std::optional<Copy> c = copyOf(f, base);
        if (c && BackupFolder::placeOf(folder, BackupFolder::identityOf(c->path).value_or(QString())) == place)
            out.push_back(*c);
    }
    sortNewestFirst(out);
    return out;
}

std::vector<Copy> dropped(const std::vector<Copy> &copies)
{
    std::vector<bool> keep(copies.size(), false);
    QHash<QDate, size_t> firstOfDay; // walking back in time, the day's oldest copy seen so far
    QSet<int> weeks;
    for (size_t i = 0; i < copies.size(); ++i) {
        const Copy &c = copies[i];
        const QDate day = c.taken.date();
        int year = 0;
        const int week = day.weekNumber(&year) + year * 100;
        if (i == 0 || c.kept)
            keep[i] = true;
        if (!firstOfDay.contains(day) && firstOfDay.size() < DailyCopies) {
            keep[i] = true; // the day's last
            firstOfDay.insert(day, i);
        } else if (firstOfDay.contains(day)) {
            firstOfDay[day] = i;
        }
        if (!weeks.contains(week) && weeks.size() < WeeklyCopies) {
            weeks.insert(week);
            keep[i] = true;
        }
    }
    for (const size_t i : std::as_const(firstOfDay))
        keep[i] = true;
    std::vector<Copy> out;
    for (size_t i = 0; i < copies.size(); ++i) {
        if (!keep[i])
            out.push_back(copies[i]);
    }
    return out;
}

// What the last copy was made from: the header's change counter (raised by every write), the
// size and the modification time.
QString fingerprint(const QString &notebook)
{
    const QByteArray header = FileStart::read(notebook, 100); // the window's connection keeps its locks
    if (header.size() < 28)
        return {};
    const QFileInfo info(notebook);
    return QString::fromLatin1(header.mid(24, 4).toHex()) + QLatin1Char(' ') + QString::number(info.size())
           + QLatin1Char(' ') + QString::number(info.lastModified().toMSecsSinceEpoch());
}

// The copy is synced and checked under its temporary name; only a copy that passed is renamed,
// recorded as the newest, and only then are older copies dropped. "" on success, else the reason.
QString finishCopy(const QString &temp, const QString &copy, const QString &place, const QString &notebook,
                   const QString &print, QFileDevice::Permissions permissions)
{
    if (!NotebookFile::syncFile(temp))
        return QStringLiteral("cannot sync the copy");
    QString why;
    StoreDetail::guarded(why, [&] {
        SQLite::Database check(StoreDetail::nativePath(temp), SQLite::OPEN_READONLY, 0, CipherVfs::name());
        const std::string result = check.execAndGet("PRAGMA quick_check").getString();
        if (result != "ok")
            why = QStringLiteral("the copy failed its check: %1").arg(QString::fromStdString(result));
        return 1;
    });
    if (!why.isEmpty())
        return why;
    QFile::setPermissions(temp, permissions);
    if (!QFile::rename(temp, copy))
        return QStringLiteral("cannot name the copy %1").arg(copy);
    NotebookFile::syncFolder(place);
    BackupFolder::Record record = BackupFolder::read(place);
    BackupFolder::append(record, place, copy);
    record.madeFrom = print;
    record.path = notebook;
    // Without its record the copies could not be told apart by age: nothing is dropped then.
    if (!BackupFolder::write(place, record))
        return {};
    for (const Copy &old : dropped(copiesIn(place))) {
        if (old.path != copy)
            QFile::remove(old.path);
    }
    return {};
}

} // namespace AutoBackup

struct BackupJob::Work
{
    std::unique_ptr<SQLite::Database> source, dest;
    sqlite3_backup *backup = nullptr;
    QString temp;
    QString fingerprint;
    QFileDevice::Permissions permissions;
    std::future<QString> checked; // "" when the copy passed

    ~Work()
    {
        if (backup)
            sqlite3_backup_finish(backup);
        dest.reset();
        if (checked.valid())
            checked.wait();
        if (!temp.isEmpty())
            QFile::remove(temp);
    }
};

BackupJob::BackupJob(const QString &notebook, const QString &folder, const QDateTime &now)
    : notebook_(QFileInfo(notebook).absoluteFilePath()), folder_(folder), now_(now)
{
}

BackupJob::~BackupJob() = default;

BackupJob::State BackupJob::fail(const QString &why)
{
    work_.reset(); // removes the temporary file
    copyPath_.clear();
    error_ = why;
    return state_ = Failed;
}

BackupJob::State BackupJob::step()
{
    if (finished())
        return state_;
    QString why;
    State next = Failed;
    const int ok = StoreDetail::guarded(why, [&] {
        next = !started_ ? start() : state_ == Copying ? copy() : check();
        return 1;
    });
    if (!ok)
        return fail(why);
    return state_ = next;
}

BackupJob::State BackupJob::runToEnd()
{
    while (!finished()) {
        if (state_ == Checking && work_ && work_->checked.valid())
            work_->checked.wait();
        step();
    }
    return state_;
}

BackupJob::State BackupJob::start()
{
    using namespace AutoBackup;
    started_ = true;
    if (!QFileInfo(notebook_).isFile())
        return fail(QStringLiteral("%1 is not a file").arg(notebook_));
    NotebookHeader::Header header;
    const NotebookHeader::Kind kind = NotebookHeader::read(notebook_, &header);
    if (kind == NotebookHeader::Kind::Damaged)
        return fail(QStringLiteral("the header of the encrypted notebook is damaged"));

    auto work = std::make_unique<Work>();
    // No busy wait: a step that finds the notebook being written simply tries again next time.
    work->source = std::make_unique<SQLite::Database>(StoreDetail::nativePath(notebook_), SQLite::OPEN_READONLY, 0,
                                                      CipherVfs::name());
    QString identity;
    try {
        identity = NotebookInfo::identity(*work->source);
    } catch (const SQLite::Exception &e) {
        if (e.getErrorCode() != SQLITE_BUSY)
            throw;
        started_ = false;
        return Copying;
    }
    if (identity.isEmpty())
        return fail(QStringLiteral("%1 has no identity (an older layout opened read-only): not copied").arg(notebook_));
    place_ = BackupFolder::placeOf(folder_, identity);
    if (!BackupFolder::prepare(folder_) || !BackupFolder::prepare(place_))
        return fail(QStringLiteral("cannot create the folder %1").arg(place_));
    // What a killed copy left behind: never listed, removed here.
    const QRegularExpression pattern = BackupFolder::namePattern();
    const QStringList hidden = QDir(place_).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : hidden) {
        if (name.startsWith(QLatin1Char('.')) && name.endsWith(PartSuffix)
            && pattern.match(name.mid(1, name.size() - 1 - PartSuffix.size())).hasMatch())
            QFile::remove(QDir(place_).filePath(name));
    }

    work->fingerprint = fingerprint(notebook_);
    work->permissions = BackupFolder::permissionsOf(notebook_);
    // Unchanged since the newest copy, which is still there: nothing to do.
    const BackupFolder::Record record = BackupFolder::read(place_);
    if (!work->fingerprint.isEmpty() && record.madeFrom == work->fingerprint && !record.copies.empty()
        && QFileInfo::exists(QDir(place_).filePath(record.copies.back().name)))
        return Skipped;

    const QString name = BackupFolder::freeName(place_, notebook_, now_, false);
    copyPath_ = QDir(place_).filePath(name);
    work->temp = QDir(place_).filePath(QLatin1Char('.') + name + PartSuffix);
    QFile::remove(work->temp);
    {
        // Made by us, private from the start; the engine would make it readable by all.
        QFile made(work->temp);
        if (!made.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return fail(QStringLiteral("cannot write %1: %2").arg(work->temp, made.errorString()));
    }

    // The copy of an encrypted notebook starts as its header (with a file identity of its own),
    // so that the file layer encrypts every page the backup writes.
    if (kind == NotebookHeader::Kind::Encrypted) {
        NotebookHeader::renewFileId(&header);
        QString why;
        if (!NotebookHeader::writeNew(work->temp, header, &why))
            return fail(why);
    }
    work->dest = std::make_unique<SQLite::Database>(StoreDetail::nativePath(work->temp),
                                                    SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE, 0,
                                                    CipherVfs::name());
    // The temporary file is thrown away on any failure, so it needs no journal; it is synced once
    // complete, before the check.
    work->dest->exec("PRAGMA journal_mode = OFF");
    work->dest->exec("PRAGMA synchronous = OFF");
    work->backup = sqlite3_backup_init(work->dest->getHandle(), "main", work->source->getHandle(), "main");
    if (!work->backup)
        return fail(QString::fromUtf8(sqlite3_errmsg(work->dest->getHandle())));
    work_ = std::move(work);
    return Copying;
}

BackupJob::State BackupJob::copy()
{
    QElapsedTimer clock;
    clock.start();
    int rc = SQLITE_OK;
    // Small bites until the budget is spent: the notebook is locked for reading only meanwhile.
    do {
        rc = sqlite3_backup_step(work_->backup, 16);
    } while (rc == SQLITE_OK && clock.elapsed() < stepBudgetMs);
    if (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        return Copying;
    if (rc != SQLITE_DONE)
        return fail(QString::fromUtf8(sqlite3_errstr(rc)));
    rc = sqlite3_backup_finish(work_->backup);
    work_->backup = nullptr;
    if (rc != SQLITE_OK)
        return fail(QString::fromUtf8(sqlite3_errstr(rc)));
    work_->dest.reset();
    work_->source.reset();
    // Syncing, checking, naming and rotating touch the whole file or the folder: all on a thread
    // of their own, so no single step of the caller waits for the disk.
    work_->checked = std::async(std::launch::async, [temp = work_->temp, copy = copyPath_, place = place_,
                                                     notebook = notebook_, print = work_->fingerprint,
                                                     permissions = work_->permissions]() {
        return AutoBackup::finishCopy(temp, copy, place, notebook, print, permissions);
    });
    return Checking;
}

BackupJob::State BackupJob::check()
{
    using namespace std::chrono_literals;
    if (work_->checked.wait_for(0ms) != std::future_status::ready)
        return Checking;
    const QString problem = work_->checked.get();
    if (!problem.isEmpty())
        return fail(problem);
    work_->temp.clear(); // renamed: nothing left to remove
    work_.reset();
    return Done;
}

bool BackupRunner::start(const QString &notebook, const QString &folder)
{
    if (job_)
        return false;
    job_ = std::make_unique<BackupJob>(notebook, folder);
    QTimer::singleShot(0, this, &BackupRunner::next);
    return true;
}

void BackupRunner::next()
{
    if (!job_)
        return; // stopped meanwhile
    const BackupJob::State state = job_->step();
    if (!job_->finished()) {
        // While the copy is checked on its own thread, look in now and then instead of spinning.
        QTimer::singleShot(state == BackupJob::Checking ? 10 : 0, this, &BackupRunner::next);
        return;
    }
    const auto job = std::move(job_);
    Q_EMIT finished(state, job->copyPath(), job->error());
}
