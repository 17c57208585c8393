#include "mainwindow/LockedNotice.h"

#include "controls/Named.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

LockedNotice::LockedNotice(QWidget *host)
    : QWidget(host)
{
    setObjectName(QStringLiteral("lockedNotice"));
    setAutoFillBackground(true);
    m_text = Tools::named<QLabel>("lblLocked", this);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setWordWrap(true);
    m_unlock = Tools::named<QPushButton>("cmdUnlock", this, QStringLiteral("解锁..."));
    connect(m_unlock, &QPushButton::clicked, this, &LockedNotice::unlockClicked);

    auto *column = new QVBoxLayout(this);
    column->addStretch(1);
    column->addWidget(m_text);
    column->addWidget(m_unlock, 0, Qt::AlignHCenter);
    column->addStretch(2);

    host->installEventFilter(this);
    setGeometry(host->rect());
}

void LockedNotice::setFileName(const QString &name)
{
    m_text->setText(QStringLiteral("数据库“%1”已锁定，输入密码后才能打开。").arg(name));
}

bool LockedNotice::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}
