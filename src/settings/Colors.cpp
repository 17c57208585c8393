#include "settings/Colors.h"

namespace Tools {

QColor ColorFromBgr(qint32 bgr)
{
    const quint32 v = static_cast<quint32>(bgr);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

qint32 BgrFromColor(const QColor &color)
{
    const QColor c = color.toRgb();
    return qint32(quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16));
}

namespace {

struct SystemColor
{
    quint32 index;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The system colour indices in use on the platform the stored values come from, answered by the
// palette role that plays the same part here.
constexpr SystemColor kSystemColors[] = {
    {0, QPalette::Active, QPalette::Window},           // scroll bar
    {1, QPalette::Active, QPalette::Window},           // desktop
    {2, QPalette::Active, QPalette::Highlight},        // active caption
    {3, QPalette::Inactive, QPalette::Highlight},      // inactive caption
    {4, QPalette::Active, QPalette::Window},           // menu
    {5, QPalette::Active, QPalette::Base},             // window
    {6, QPalette::Active, QPalette::Shadow},           // window frame
    {7, QPalette::Active, QPalette::WindowText},       // menu text
    {8, QPalette::Active, QPalette::Text},             // window text
    {9, QPalette::Active, QPalette::HighlightedText},  // caption text
    {10, QPalette::Active, QPalette::Window},          // active border
    {11, QPalette::Inactive, QPalette::Window},        // inactive border
    {12, QPalette::Active, QPalette::Dark},            // application workspace
    {13, QPalette::Active, QPalette::Highlight},        // highlight
    {14, QPalette::Active, QPalette::HighlightedText}, // highlight text
    {15, QPalette::Active, QPalette::Button},          // button face
    {16, QPalette::Active, QPalette::Dark},            // button shadow
    {17, QPalette::Disabled, QPalette::Text},          // grey text
    {18, QPalette::Active, QPalette::ButtonText},      // button text
    {19, QPalette::Inactive, QPalette::HighlightedText}, // inactive caption text
    {20, QPalette::Active, QPalette::Light},           // button highlight
    {21, QPalette::Active, QPalette::Shadow},          // 3-D dark shadow
    {22, QPalette::Active, QPalette::Midlight},        // 3-D light
    {23, QPalette::Active, QPalette::ToolTipText},     // tooltip text
    {24, QPalette::Active, QPalette::ToolTipBase},     // tooltip background
    {26, QPalette::Active, QPalette::Link},            // hot-tracked item
    {27, QPalette::Active, QPalette::Highlight},       // active caption gradient
    {28, QPalette::Inactive, QPalette::Highlight},     // inactive caption gradient
    {29, QPalette::Active, QPalette::Highlight},       // menu highlight
    {30, QPalette::Active, QPalette::Window},          // menu bar
};

} // namespace

qint32 TranslateColor(quint32 oleColor, const QPalette &palette)
{
    const quint32 high = oleColor & 0xFF000000u;
    if (high == 0)
        return qint32(oleColor);
    if (high != 0x80000000u)
        return 0;
    const quint32 index = oleColor & 0x00FFFFFFu;
    for (const SystemColor &sc : kSystemColors) {
        if (sc.index == index)
            return BgrFromColor(palette.color(sc.group, sc.role));
    }
    return 0;
}

} // namespace Tools
