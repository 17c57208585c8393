#pragma once

#include "LegacyNotebook.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

// What the first bytes of a file say it is.
enum class FileKind { Missing, Quillbook, Jet4, Other };
FileKind sniffFileKind(const QString &path);

// One table as the reader process wrote it. A Null value is an invalid QVariant; integers are
// qint64, everything else QString. A damaged file gives rows read in part (a long text cut short,
// a value unreadable) and rows or pages that could not be read at all.
struct JetTable
{
    QString name;
    QStringList columns;
    QList<QList<QVariant>> rows;
    QList<int> partialRows; // indexes into rows, ascending
    quint32 unreadRows = 0;
    quint32 unreadPages = 0;
    bool whole() const { return partialRows.isEmpty() && unreadRows == 0 && unreadPages == 0; }
};

// Parses the reader's framed output. False (with a reason) on anything malformed or incomplete.
bool parseJetOutput(const QByteArray &data, QList<JetTable> &tables, QString *error);

// Runs the reader process on a private copy of path, within limits of memory, time and output.
// tables empty = the notebook tables. progress(bytesRead) may be called while it runs.
struct JetReadResult
{
    enum Status { Ok, NotJet4, NotNotebook, Damaged, Failed } status = Failed;
    QList<JetTable> tables;
    QString message; // for the user when status != Ok
};
struct JetReaderLimits
{
    int wallMilliseconds = 45000; // the user gets an answer within a minute
    qint64 outputBytes = qint64(512) << 20;
};
JetReadResult runJetReader(const QString &path, const QStringList &tables = {},
                           const std::function<void(qint64)> &progress = {},
                           const JetReaderLimits &limits = {});

// A Jet 4.0 file holding the tables admin, Groups and Notes (asks the reader, within limits).
bool isLegacyNotebook(const QString &path, const JetReaderLimits &limits = {});

// The notebook rows out of the reader's tables, with what a damaged file kept from being read in
// out.damage; false when a table or column is missing, or the password row could not be read.
bool toLegacyNotebook(const QList<JetTable> &tables, LegacyNotebook &out, QString *error);

// Where the reader executable is: $QUILLBOOK_JET_READER, beside the program, else the build tree's copy.
QString jetReaderPath();
