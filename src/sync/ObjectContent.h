#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

// What a revision holds of a group or note: its columns as the store writes them, and for a note
// the identity of its group (IDs differ between computers). A deletion holds the state deleted,
// so a group other computers still need can be shown again under its name. Versioned: a format
// this build does not know is refused, never guessed at.
namespace ObjectContent {

struct Fields
{
    int kind = 0; // SyncTables::Group or SyncTables::Note
    QString title; // a group's name
    QString addDate, lastUpdate, priority, color, body;
    qint64 icon = 0;
    QByteArray group;
};

QByteArray encode(const Fields &f);
std::optional<Fields> decode(const QByteArray &bytes);

} // namespace ObjectContent
