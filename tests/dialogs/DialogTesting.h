#pragma once

#include "common/ChildLookup.h"

#include <QColor>
#include <QLineEdit>
#include <QPalette>
#include <QTest>

// Driving the dialogs the way a user does: typing into boxes and reading back what they show.
namespace DialogTesting {

// The light blue of a refused entry (0xFFDBBF, stored blue-green-red) and the normal white.
inline QColor highlight()
{
    return QColor(0xBF, 0xDB, 0xFF);
}
inline QColor white()
{
    return QColor(0xFF, 0xFF, 0xFF);
}

inline QColor background(const QWidget *box)
{
    return box->palette().color(QPalette::Base);
}

// Replaces the box's text by typing, one key per character, so the box's own limits apply.
// Characters outside Latin-1 go in as key text too, as an input method would deliver them.
inline void typeInto(QLineEdit *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

using ChildLookup::child;
using ChildLookup::click;

} // namespace DialogTesting
