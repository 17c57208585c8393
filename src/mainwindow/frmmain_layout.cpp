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
        const bool tray = trayAvailable ? trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
        if (m_settings.gMinToTray != 0 && tray) {
            hide();
            Tray1->setVisible(true);
        }
    } else {
        LastWindowState = (windowState() & Qt::WindowMaximized) ? 2 : 0;
    }

    LayoutInput in;
    in.innerWidth = m_client->width();
    in.innerHeight = m_client->height();
    in.toolbar = m_toolbarShown;
    in.statusBar = m_statusShown;
    in.notesBar = m_notesShown;
    in.noteInfo = m_infoShown;
    in.toolbarNeeds = Toolbar1->sizeHint().height();
    const LayoutResult r = computeLayout(in);

    place(Toolbar1, r.toolbar, m_toolbarShown);
    place(pTitle1, r.pTitle1, m_notesShown);
    place(tv1, r.tv1, m_notesShown);
    place(pTitle2, r.pTitle2, true);
    place(LstV, r.LstV, true);
    place(pTitle3, r.pTitle3, m_infoShown);
    place(txtNote, r.txtNote, m_infoShown);
    place(sBar1, r.sBar1, m_statusShown);
    if (CurrentSkin == 0) {
        pTitle1->update();
        pTitle2->update();
        pTitle3->update();
    }
    ++layoutPasses;
}

void frmmain::sBar1_Resize()
{
    sBar1->setPainted(true);
    sBar1->setGrip(CurrentSkin != 0 ? pGrip2 : pGrip1);
    sBar1->update();
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
