#include "controls/SkinPaint.h"

#include "settings/Colors.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOption>
#include <QSet>

namespace Tools {

QColor PaneBorderColor(int currentSkin)
{
    return ColorFromBgr(currentSkin == 0 ? 0xCB9E7B : 0xB6BDC1);
}

void PaintPane(QPainter &painter, const QRect &rect, const QBrush &skinBrush, int currentSkin)
{
    painter.save();
    painter.setBrushOrigin(rect.topLeft());
    painter.fillRect(rect, skinBrush);
    QPen pen(PaneBorderColor(currentSkin));
    pen.setWidth(0);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // A 1-pixel outline of a w x h rectangle covers w+1 x h+1 pixels, so shrink by one.
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

namespace {

// Some styles paint a menu's panel in a colour derived from the palette, which loses a texture.
// This one paints the panel with the palette's window brush itself and leaves the rest to the
// application style.
class MenuPanelStyle : public QProxyStyle
{
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        if (element != PE_PanelMenu) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        painter->save();
        painter->setBrushOrigin(option->rect.topLeft());
        painter->fillRect(option->rect, option->palette.window());
        painter->setPen(option->palette.color(QPalette::Dark));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }
};

// One panel style per menu bar, owned by it; a menu that outlives the bar falls back to the
// application style by itself.
QStyle *menuPanelStyle(QMenuBar *bar)
{
    auto *style = bar->findChild<MenuPanelStyle *>(QString(), Qt::FindDirectChildrenOnly);
    if (!style) {
        style = new MenuPanelStyle;
        style->setParent(bar);
    }
    return style;
}

void paintWidgetBackground(QWidget *w, const QBrush &brush)
{
    // Base stays as it is: it fills the check boxes of checkable items, and a style that takes
    // a colour from it reads a texture as black, so ticked and unticked items looked the same.
    QPalette pal = w->palette();
    for (const auto role : {QPalette::Window, QPalette::Button}) {
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            pal.setBrush(group, role, brush);
    }
    w->setPalette(pal);
    w->setAutoFillBackground(true);
    w->update();
}

void paintMenus(QMenu *menu, const QBrush &brush, QStyle *style, QSet<QMenu *> &seen)
{
    if (!menu || seen.contains(menu))
        return;
    seen.insert(menu);
    if (menu->style() != style)
        menu->setStyle(style);
    paintWidgetBackground(menu, brush);
    for (QAction *a : menu->actions())
        paintMenus(a->menu(), brush, style, seen);
}

} // namespace

void SetMenuBackground(QMenuBar *bar, const QBrush &brush, bool applyToSubmenus)
{
    if (!bar)
        return;
    paintWidgetBackground(bar, brush);
    if (!applyToSubmenus)
        return;
    QStyle *style = menuPanelStyle(bar);
    QSet<QMenu *> seen;
    for (QAction *a : bar->actions())
        paintMenus(a->menu(), brush, style, seen);
}

void SetMenuBackground(QMenuBar *bar, qint32 colour, const QBrush &menuBrush, bool applyToSubmenus)
{
    if (colour == 0) {
        SetMenuBackground(bar, menuBrush, applyToSubmenus);
        return;
    }
    SetMenuBackground(bar, QBrush(ColorFromBgr(TranslateColor(quint32(colour)))), applyToSubmenus);
}

} // namespace Tools

#include "SkinPaint.moc"
