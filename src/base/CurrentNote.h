#pragma once

#include <QString>
#include <QtGlobal>

// The one note that the main window, the editor and the store hand to each other.
struct CurrentNote
{
    QString NoteTitle;
    QString NoteAddDate;
    QString NoteLastUpdate;
    qint32 NoteColor = 0; // 0x00BBGGRR
    QString NoteBody;     // RTF text, possibly empty
    QString NotePriority;
    qint16 NoteIcon = 1;
};
