#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// Covers a pane while the notebook stays locked (its password prompt was cancelled): says so and
// offers to unlock it, so the window is never blank without a word.
class LockedNotice : public QWidget
{
    Q_OBJECT

public:
    // Covers host and follows its size.
    explicit LockedNotice(QWidget *host);
    void setFileName(const QString &name);

Q_SIGNALS:
    void unlockClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *m_text = nullptr;
    QPushButton *m_unlock = nullptr;
};
