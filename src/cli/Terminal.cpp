#include "cli/Terminal.h"

#include <QByteArray>

#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace Terminal {

namespace {

bool readLineFrom(std::FILE *in, QString *out)
{
    QByteArray line;
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(in)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        line.append(char(c));
    }
    if (line.endsWith('\r'))
        line.chop(1);
    *out = QString::fromUtf8(line);
    line.fill('\0');
    return any;
}

} // namespace

bool readHidden(const QString &prompt, QString *out)
{
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::FILE *tty = ::fdopen(fd, "r+");
    if (!tty) {
        ::close(fd);
        return false;
    }
    std::fputs(prompt.toUtf8().constData(), tty);
    std::fflush(tty);
    termios saved{};
    const bool canHide = ::tcgetattr(fd, &saved) == 0;
    if (canHide) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    const bool ok = readLineFrom(tty, out);
    if (canHide)
        ::tcsetattr(fd, TCSAFLUSH, &saved);
    std::fclose(tty);
    return ok;
}

bool readLine(QString *out)
{
    return readLineFrom(stdin, out);
}

} // namespace Terminal
