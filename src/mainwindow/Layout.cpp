#include "Layout.h"

#include <algorithm>

using namespace layout;

namespace {

// A window can be made smaller than its panes (or be minimised). Sizes that
// would come out negative are clamped to 0 so every rectangle stays valid.
int nonNegative(int v)
{
    return std::max(v, 0);
}

} // namespace

LayoutResult computeLayout(const LayoutInput &in)
{
    const int width = nonNegative(in.innerWidth);
    const int height = nonNegative(in.innerHeight);
    const int status = in.statusBar ? kStatusHeight : 0;

    // Tops depend only on the toolbar: titles sit under it, or at the very top.
    const int toolbarHeight = std::max(kToolbarHeight, in.toolbarNeeds);
    const int below = in.toolbar ? toolbarHeight - kToolbarHeight : 0;
    const int titleTop = in.toolbar ? kTitleTop + below : 0;
    const int listTop = in.toolbar ? kListTop + below : titleTop + kTitleHeight + kTitleToList;
    // Without the tree the right-hand column moves to the tree's left edge.
    const int rightLeft = in.notesBar ? kRightLeft : kTreeLeft;
    const int rightWidth = nonNegative(width - rightLeft);

    const int treeHeight = nonNegative(height - status - listTop);
    // With the preview the list takes half of the free height (the odd pixel
    // goes to the preview); without it, the list is as tall as the tree.
    const int listHeight = in.noteInfo ? nonNegative(height - status - listTop) / 2 : treeHeight;
    // The preview title hangs off the list height with a fixed offset, not off
    // the list's bottom edge; with the toolbar hidden that leaves a band above it.
    const int previewTitleTop = listHeight + kPreviewTitleOffset + below;
    const int previewTop = previewTitleTop + kTitleHeight + kPreviewGap;
    const int previewHeight = nonNegative(height - status - previewTop);

    LayoutResult r;
    if (in.toolbar)
        r.toolbar = QRect(0, 0, width, toolbarHeight);
    if (in.notesBar) {
        r.treeTitle = QRect(kTreeLeft, titleTop, kTreeWidth, kTitleHeight);
        r.groupTree = QRect(kTreeLeft, listTop, kTreeWidth, treeHeight);
    }
    r.listTitle = QRect(rightLeft, titleTop, rightWidth, kTitleHeight);
    r.noteList = QRect(rightLeft, listTop, rightWidth, listHeight);
    if (in.noteInfo) {
        r.previewTitle = QRect(rightLeft, previewTitleTop, rightWidth, kTitleHeight);
        r.preview = QRect(rightLeft, previewTop, rightWidth, previewHeight);
    }
    if (in.statusBar)
        r.statusStrip = QRect(0, nonNegative(height - status), width, status);
    return r;
}
