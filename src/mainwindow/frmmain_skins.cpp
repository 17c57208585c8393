// The two skins and the note icons.
#include "mainwindow/frmmain.h"

#include "controls/ModTb.h"
#include "controls/SkinPaint.h"
#include "mainwindow/NoteListModel.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/SkinPane.h"

#include <QApplication>
#include <QBitmap>
#include <QLabel>
#include <QMenuBar>
#include <QPalette>

namespace {

// Grips are drawn with magenta standing for "no pixel".
QPixmap withMagentaTransparent(const QString &path)
{
    QPixmap p(path);
    if (!p.isNull())
        p.setMask(p.createMaskFromColor(QColor(255, 0, 255)));
    return p;
}

void setTextColor(QLabel *label, const QColor &color)
{
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
}

} // namespace

void frmmain::loadImages()
{
    setWindowIcon(QIcon(QStringLiteral(":/icons/app.png")));
    pIcons = QPixmap(QStringLiteral(":/notes/strip.png"));
    tvImg = {QIcon(QStringLiteral(":/tree/root.png")), QIcon(QStringLiteral(":/tree/group.png")),
             QIcon(QStringLiteral(":/tree/group-open.png"))};
    ImageList2 = {QPixmap(QStringLiteral(":/header/sort-asc.png")),
                  QPixmap(QStringLiteral(":/header/sort-desc.png"))};
    imgTexture1 = QPixmap(QStringLiteral(":/skin/texture1.png"));
    imgTexture2 = QPixmap(QStringLiteral(":/skin/texture2.png"));
    imgMenu = QPixmap(QStringLiteral(":/skin/menu.png"));
    pGrip1 = withMagentaTransparent(QStringLiteral(":/skin/grip1.png"));
    pGrip2 = withMagentaTransparent(QStringLiteral(":/skin/grip2.png"));
}

void frmmain::SetSkin(int skin)
{
    CurrentSkin = skin;
    QPalette pal = m_client->palette();
    const bool cool = skin == 0;
    if (cool) {
        pal.setColor(QPalette::Window, QColor(191, 219, 255));
        SkinBrush = QBrush(imgTexture1);
        Tools::SetMenuBackground(menuBar(), MenuBrush, true);
        Tools::SetMenuBackground(m_popupBar, MenuBrush, true);
        ModTb::SetToolbarTexture(imgTexture1);
    } else {
        SkinBrush = QBrush(imgTexture2);
        Tools::SetMenuBackground(menuBar(), QBrush(Qt::white), true);
        Tools::SetMenuBackground(m_popupBar, QBrush(Qt::white), true);
        ModTb::SetToolbarTexture(imgTexture2);
        pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    }
    m_client->setPalette(pal);
    // "Cool Blue" textures the title panes on every layout pass; the other skin leaves them
    // plain grey.
    for (SkinPane *p : {pTitle1, pTitle2, pTitle3}) {
        p->setTexture(SkinBrush);
        p->setSkin(skin);
        p->setPainted(cool);
    }
    sBar1->setTexture(SkinBrush);
    sBar1->setSkin(skin);
    for (QLabel *l : {lblTitle, lblGroup, lblNoteTitle})
        setTextColor(l, cool ? Qt::black : Qt::white);
    sBar1_Resize();
    Form_Resize();
}

void frmmain::SetIcons()
{
    LstIcons.clear();
    for (int i = 0; i < 24; ++i)
        LstIcons.append(QIcon(pIcons.copy(16 * i, 0, 16, 16)));
    LstV->model()->setIcons(LstIcons);
    imgInfo->setPixmap(LstIcons.first().pixmap(16, 16));
}
