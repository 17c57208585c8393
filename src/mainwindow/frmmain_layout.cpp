// Pane geometry: one pure computation from the inner size and the four pane switches.
#include "mainwindow/frmmain.h"

#include "controls/Tray.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/Layout.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/SkinPane.h"
#include "settings/Settings.h"

#include <QEvent>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTextEdit>
#include <QToolBar>

namespace {

void place(QWidget *w, const QRect &r, bool shown)
{
    w->setVisible(shown);
    if (shown)
        w->setGeometry(r);
}

} // namespace

void frmmain::Form_Resize()
{
    if (!m_layoutReady)
        return;
    if (windowState() & Qt::WindowMinimized) {
        // Hiding leaves no way back unless a tray icon exists to bring the window back.
        const bool tray = m_trayAvailable ? m_trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
        if (m_settings.gMinToTray != 0 && tray) {
            hide();
            m_tray->setVisible(true);
        }
    } else {
        m_lastWindowState = (windowState() & Qt::WindowMaximized) ? 2 : 0;
    }

    LayoutInput in;
    in.innerWidth = m_client->width();
    in.innerHeight = m_client->height();
    in.toolbar = m_toolbarShown;
    in.statusBar = m_statusShown;
    in.notesBar = m_notesShown;
    in.noteInfo = m_infoShown;
    in.toolbarNeeds = m_toolbar->sizeHint().height();
    const LayoutResult r = computeLayout(in);

    place(m_toolbar, r.toolbar, m_toolbarShown);
    place(m_treeTitle, r.treeTitle, m_notesShown);
    place(m_groupTree, r.groupTree, m_notesShown);
    place(m_listTitle, r.listTitle, true);
    place(m_noteList, r.noteList, true);
    place(m_previewTitle, r.previewTitle, m_infoShown);
    place(m_preview, r.preview, m_infoShown);
    place(m_statusStrip, r.statusStrip, m_statusShown);
    if (m_skin == 0) {
        m_treeTitle->update();
        m_listTitle->update();
        m_previewTitle->update();
    }
    ++m_layoutPasses;
}

void frmmain::resizeStatusStrip()
{
    m_statusStrip->setPainted(true);
    m_statusStrip->setGrip(m_skin != 0 ? m_plainGrip : m_coolGrip);
    m_statusStrip->update();
}

void frmmain::ShowToolbar(bool visible)
{
    m_toolbarShown = visible;
    Form_Resize();
}

void frmmain::ShowStatusBar(bool visible)
{
    m_statusShown = visible;
    Form_Resize();
}

void frmmain::ShowNotesBar(bool visible)
{
    m_notesShown = visible;
    Form_Resize();
}

void frmmain::ShowNoteInfo(bool visible)
{
    m_infoShown = visible;
    Form_Resize();
}

void frmmain::changeEvent(QEvent *e)
{
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange)
        Form_Resize();
}
