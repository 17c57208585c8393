#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

class Notebook;

// quillbook-cli: one table of commands, each a row with its arguments, options, help and the
// function that runs it. A new command is a new row (Commands.cpp) and its function.
namespace Cli {

enum Exit { Ok = 0, Failed = 1, Usage = 2 };

struct Args
{
    QStringList positional;
    QHash<QString, QString> values; // --name VALUE
    QStringList flags;              // --name
    QString value(const QString &name, const QString &fallback = {}) const
    {
        return values.value(name, fallback);
    }
    bool flag(const QString &name) const { return flags.contains(name); }
};

struct Command
{
    const char *name;
    const char *arguments; // synopsis after the command name
    const char *help;      // what it does, in a line or two
    int minPositional;
    int maxPositional;     // -1: any number
    QStringList valueOptions;
    QStringList flagOptions;
    int (*run)(const Args &args);
};

const std::vector<Command> &commands();

// Runs the command line (without the program name); returns the exit status.
int run(const QStringList &arguments);

// Shared by the commands: write to stdout (UTF-8), or print one error line and return Failed.
void print(const QString &text);
int fail(const QString &why);
int usage(const QString &why);

// Opens path as a notebook in db, asking for its access password when it has one (from the
// terminal, or one line of standard input with --password-stdin). Returns Ok or what to exit
// with, after printing why.
int open(Notebook &db, const QString &path, const Args &args);
// open, then every page read: a notebook with damage that opening does not see is not written to.
int openForWriting(Notebook &db, const QString &path, const Args &args);

// One password: from the terminal without echo after prompt, or with --password-stdin the next
// line of standard input. False when there is neither.
bool readPassword(const Args &args, const QString &prompt, QString *out);

// A number argument: an ID or a count. Returns false (after printing why) when it is not one.
bool number(const QString &text, const QString &what, qint64 *out);

} // namespace Cli
