#pragma once

#include <QObject>
#include <QPushButton>
#include <QTest>

// Finding a window's controls by the object names the program gives them.
namespace ChildLookup {

// The child of that name; a missing one ends the test program with its name rather than with a
// crash further on.
template <typename T>
T *child(const QObject &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no control named %s", name);
    return found;
}

inline void click(const QObject &window, const char *button)
{
    QTest::mouseClick(child<QPushButton>(window, button), Qt::LeftButton);
}

} // namespace ChildLookup
