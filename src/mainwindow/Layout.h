// Geometry of the main window's panes as a pure function of the window's inner
// size and the four View switches, so it can be checked without a screen.
#pragma once

#include "controls/Twips.h"

#include <QRect>

struct LayoutInput
{
    int innerWidth = 0, innerHeight = 0; // client area below the menu bar, in pixels
    bool toolbar = true, statusBar = true, notesBar = true, noteInfo = true;
    // What the toolbar's content needs (the search box, in the user's font); it never gets less
    // than the fixed height, and everything under it moves down by what it takes beyond that.
    int toolbarNeeds = 0;
};

// Rectangles in the client area's pixel coordinates. A pane that is switched
// off gets a null QRect: the caller hides it and leaves its geometry alone.
// Decide visibility from the input switches, never from the rectangle, because
// a pane that is shown may shrink to nothing in a very small window.
struct LayoutResult
{
    QRect toolbar, treeTitle, groupTree, listTitle, noteList, previewTitle, preview, statusStrip;
};

// The window's fixed offsets, in pixels (15 twips make one pixel).
namespace layout {
constexpr int pixels(int twips)
{
    return Tools::TwipsToPixels(twips);
}
constexpr int kToolbarHeight = pixels(330);
constexpr int kTitleHeight = pixels(360);
constexpr int kTreeLeft = pixels(15);
constexpr int kTreeWidth = pixels(2460);
constexpr int kRightLeft = pixels(2505);          // list column beside the tree
constexpr int kTitleTop = pixels(345);            // below the toolbar
constexpr int kListTop = pixels(750);             // below the title panes
constexpr int kTitleToList = pixels(30);          // gap under a title when the toolbar is hidden
constexpr int kPreviewTitleOffset = pixels(780);  // preview title top = list height + this
constexpr int kPreviewGap = pixels(10);           // between preview title and preview
constexpr int kStatusHeight = pixels(300);
} // namespace layout

LayoutResult computeLayout(const LayoutInput &in);
