#pragma once

#include <QLatin1String>
#include <QWidget>
#include <utility>

namespace Tools {

// A new child widget of parent with the object name the windows' callers and tests find it by.
// The other arguments go to the widget's constructor ahead of the parent.
template <typename W, typename... Args>
W *named(const char *name, QWidget *parent, Args &&...args)
{
    auto *w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace Tools
