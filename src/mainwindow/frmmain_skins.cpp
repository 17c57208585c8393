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
    m_iconStrip = QPixmap(QStringLiteral(":/notes/strip.png"));
    m_nodeImages = {QIcon(QStringLiteral(":/tree/root.png")), QIcon(QStringLiteral(":/tree/group.png")),
             QIcon(QStringLiteral(":/tree/group-open.png"))};
    m_sortImages = {QPixmap(QStringLiteral(":/header/sort-asc.png")),
                  QPixmap(QStringLiteral(":/header/sort-desc.png"))};
    m_coolTexture = QPixmap(QStringLiteral(":/skin/texture1.png"));
    m_plainTexture = QPixmap(QStringLiteral(":/skin/texture2.png"));
    m_menuTexture = QPixmap(QStringLiteral(":/skin/menu.png"));
    m_coolGrip = withMagentaTransparent(QStringLiteral(":/skin/grip1.png"));
    m_plainGrip = withMagentaTransparent(QStringLiteral(":/skin/grip2.png"));
}

void frmmain::SetSkin(int skin)
{
    m_skin = skin;
    QPalette pal = m_client->palette();
    const bool cool = skin == 0;
    if (cool) {
        pal.setColor(QPalette::Window, QColor(191, 219, 255));
        m_skinBrush = QBrush(m_coolTexture);
        Tools::SetMenuBackground(menuBar(), m_menuBrush, true);
        Tools::SetMenuBackground(m_popupBar, m_menuBrush, true);
        ModTb::SetToolbarTexture(m_coolTexture);
    } else {
        m_skinBrush = QBrush(m_plainTexture);
        Tools::SetMenuBackground(menuBar(), QBrush(Qt::white), true);
        Tools::SetMenuBackground(m_popupBar, QBrush(Qt::white), true);
        ModTb::SetToolbarTexture(m_plainTexture);
        pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    }
    m_client->setPalette(pal);
    // "Cool Blue" textures the title panes on every layout pass; the other skin leaves them
    // plain grey.
    for (SkinPane *p : {m_treeTitle, m_listTitle, m_previewTitle}) {
        p->setTexture(m_skinBrush);
        p->setSkin(skin);
        p->setPainted(cool);
    }
    m_statusStrip->setTexture(m_skinBrush);
    m_statusStrip->setSkin(skin);
    for (QLabel *l : {m_treeCaption, m_groupCaption, m_noteCaption})
        setTextColor(l, cool ? Qt::black : Qt::white);
    resizeStatusStrip();
    Form_Resize();
}

void frmmain::SetIcons()
{
    m_noteIcons.clear();
    for (int i = 0; i < 24; ++i)
        m_noteIcons.append(QIcon(m_iconStrip.copy(16 * i, 0, 16, 16)));
    m_noteList->model()->setIcons(m_noteIcons);
    m_noteIcon->setPixmap(m_noteIcons.first().pixmap(16, 16));
}
