#include "mainwindow/SearchBox.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

SearchBox::SearchBox(QWidget *parent)
    : QWidget(parent)
{
    m_scope = new QComboBox(this);
    m_scope->setObjectName(QStringLiteral("searchScope"));
    m_scope->addItem(QStringLiteral("全部"));
    m_scope->addItem(QStringLiteral("本组"));
    m_scope->setToolTip(QStringLiteral("搜索范围"));

    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("searchEdit"));
    m_edit->setPlaceholderText(QStringLiteral("搜索记事（Ctrl+F）"));
    m_edit->setClearButtonEnabled(true);
    m_edit->setMinimumWidth(200);
    m_edit->installEventFilter(this);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 2, 0);
    row->setSpacing(2);
    row->addWidget(m_scope);
    row->addWidget(m_edit, 1);

    m_pause = new QTimer(this);
    m_pause->setSingleShot(true);
    m_pause->setInterval(kPauseMs);
    connect(m_pause, &QTimer::timeout, this, [this] {
        if (!query().isEmpty())
            Q_EMIT searchRequested();
    });
    // Each keystroke starts the pause again; an emptied box ends the search at once.
    connect(m_edit, &QLineEdit::textEdited, this, [this] {
        if (query().isEmpty()) {
            m_pause->stop();
            Q_EMIT searchEnded();
        } else {
            m_pause->start();
        }
    });
    connect(m_edit, &QLineEdit::returnPressed, this, [this] {
        m_pause->stop();
        if (!query().isEmpty())
            Q_EMIT searchRequested();
    });
    connect(m_scope, &QComboBox::activated, this, [this] {
        if (!query().isEmpty())
            Q_EMIT searchRequested();
    });
}

QString SearchBox::query() const
{
    return m_edit->text().trimmed();
}

bool SearchBox::wholeNotebook() const
{
    return m_scope->currentIndex() == 0;
}

void SearchBox::clearQuietly()
{
    m_pause->stop();
    m_edit->clear();
}

void SearchBox::focusQuery()
{
    m_edit->setFocus(Qt::ShortcutFocusReason);
    m_edit->selectAll();
}

bool SearchBox::eventFilter(QObject *watched, QEvent *event)
{
    // Esc belongs to the box while it has the focus: it ends the search and goes no further.
    if (watched == m_edit && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        clearQuietly();
        Q_EMIT searchEnded();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
