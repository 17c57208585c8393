#pragma once

#include <QBrush>
#include <QColor>
#include <QRect>
#include <QtGlobal>

class QMenuBar;
class QPainter;

// Painting shared by the skinned windows.
namespace Tools {

// Border of a skinned pane: blue-grey in "Cool Blue" (skin 0), grey in the other skin.
QColor PaneBorderColor(int currentSkin);

// Fills `rect` with the skin's texture brush and outlines it, one pixel inside its right and
// bottom edges, in the skin's border colour. Call from the pane's paint event.
void PaintPane(QPainter &painter, const QRect &rect, const QBrush &skinBrush, int currentSkin);

// Paints the menu bar, and when asked every menu reachable from it, with `brush`.
void SetMenuBackground(QMenuBar *bar, const QBrush &brush, bool applyToSubmenus);
// Colour form: 0 means the skin's menu brush; any other value (0x00BBGGRR or a system colour
// index, see TranslateColor) a solid colour.
void SetMenuBackground(QMenuBar *bar, qint32 colour, const QBrush &menuBrush, bool applyToSubmenus);

} // namespace Tools
