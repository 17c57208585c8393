#include "controls/Tray.h"

#include "util/TrimBlanks.h"

#include <QPixmap>

namespace {

// The platform needs some icon to show; an icon-less tray shows an empty square.
QIcon blankIcon()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    return QIcon(pm);
}

} // namespace

QList<Tray::Report> Tray::ReportsForMessage(int message)
{
    switch (message) {
    case 512: return {{Event::MouseMove, 0}};
    case 513: return {{Event::MouseDown, 1}};
    case 514: return {{Event::MouseUp, 1}};
    case 515: return {{Event::DblClick, 0}};
    case 516: return {{Event::MouseDown, 2}};
    case 517: return {{Event::MouseUp, 2}};
    case 518: return {{Event::DblClick, 0}};
    default: return {};
    }
}

QList<Tray::Report> Tray::ReportsForActivation(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return ReportsForMessage(513) + ReportsForMessage(514);
    case QSystemTrayIcon::Context:
        return ReportsForMessage(516) + ReportsForMessage(517);
    case QSystemTrayIcon::DoubleClick:
        return ReportsForMessage(515);
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        break;
    }
    return {};
}

Tray::Tray(QObject *parent) : QObject(parent) {}

Tray::~Tray()
{
    // An icon never outlives its control.
    if (sys_)
        remove();
}

void Tray::setIcon(const QIcon &icon)
{
    icon_ = icon;
    if (icon.isNull()) {
        setVisible(false);
        return;
    }
    if (sys_)
        sys_->setIcon(icon_);
}

void Tray::setToolTip(const QString &text)
{
    // Only blanks are trimmed, as the tooltip always was.
    toolTip_ = Tools::TrimBlanks(text);
    if (sys_)
        sys_->setToolTip(toolTip_);
}

void Tray::setVisible(bool visible)
{
    if (visible == visible_)
        return;
    visible_ = visible;
    if (visible)
        add();
    else
        remove();
}

void Tray::add()
{
    // Taken away inside its own signal and wanted back before that finished: it never left.
    removeAfterSignal_ = false;
    if (sys_)
        return;
    sys_ = std::make_unique<QSystemTrayIcon>();
    sys_->setIcon(icon_.isNull() ? blankIcon() : icon_);
    if (!toolTip_.isEmpty())
        sys_->setToolTip(toolTip_);
    connect(sys_.get(), &QSystemTrayIcon::activated, this, &Tray::handleActivation);
    sys_->show();
    ++addCount_;
}

void Tray::remove()
{
    if (!sys_)
        return;
    // Hiding or deleting the icon from inside its own activation signal destroys the platform's
    // widget while it is still handling the click; that waits until the signal has returned.
    if (inSignal_ > 0) {
        removeAfterSignal_ = true;
        return;
    }
    sys_->hide();
    sys_.reset();
    ++removeCount_;
}

void Tray::handleMessage(int message)
{
    raise(ReportsForMessage(message));
}

void Tray::handleActivation(QSystemTrayIcon::ActivationReason reason)
{
    ++inSignal_;
    raise(ReportsForActivation(reason));
    --inSignal_;
    // Queued, so it runs once the platform's click handling (which emitted the signal) is over.
    if (inSignal_ == 0 && removeAfterSignal_) {
        QMetaObject::invokeMethod(this, [this] {
            if (removeAfterSignal_ && !visible_) {
                removeAfterSignal_ = false;
                remove();
            }
        }, Qt::QueuedConnection);
    }
}

void Tray::raise(const QList<Report> &reports)
{
    for (const Report &r : reports) {
        switch (r.event) {
        case Event::MouseMove: Q_EMIT MouseMove(); break;
        case Event::MouseDown: Q_EMIT MouseDown(r.button); break;
        case Event::MouseUp: Q_EMIT MouseUp(r.button); break;
        case Event::DblClick: Q_EMIT DblClick(); break;
        }
    }
}
