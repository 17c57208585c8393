#pragma once

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <QtGlobal>

// Colours are kept in files and settings as 0x00BBGGRR integers; these are the only places that
// turn them into QColor and back, so the byte order lives in one spot.
namespace Tools {

// Low three bytes as blue-green-red; the high byte is ignored.
QColor ColorFromBgr(qint32 bgr);
// Alpha is dropped: the stored form has no room for it.
qint32 BgrFromColor(const QColor &color);

// An OLE-style colour: a plain 0x00BBGGRR value comes back unchanged; 0x80000000 | index names a
// system colour, answered from the palette. Anything else (an unknown index, another high byte)
// gives 0, as a failed translation does.
qint32 TranslateColor(quint32 oleColor, const QPalette &palette = QGuiApplication::palette());

} // namespace Tools
