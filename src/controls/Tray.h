#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <memory>

// One icon in the notification area that reports mouse actions on it as events.
class Tray : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QIcon Icon READ Icon WRITE setIcon)
    Q_PROPERTY(QString ToolTip READ ToolTip WRITE setToolTip)
    Q_PROPERTY(bool Visible READ Visible WRITE setVisible)

public:
    enum class Event { MouseMove, MouseDown, MouseUp, DblClick };
    struct Report
    {
        Event event;
        int button; // 1 left, 2 right; 0 for MouseMove and DblClick
        bool operator==(const Report &) const = default;
    };

    // The classic mouse-message numbers the icon may report (512 move, 513/514 left down/up,
    // 515 left double-click, 516/517 right down/up, 518 right double-click); others give nothing.
    static QList<Report> ReportsForMessage(int message);
    // What Qt's tray reports: a left click is a press then a release of button 1, the context
    // click the same with button 2, either double-click a DblClick.
    static QList<Report> ReportsForActivation(QSystemTrayIcon::ActivationReason reason);

    explicit Tray(QObject *parent = nullptr);
    ~Tray() override;

    QIcon Icon() const { return icon_; }
    // A null icon takes the icon out of the notification area (Visible becomes false).
    void setIcon(const QIcon &icon);

    QString ToolTip() const { return toolTip_; }
    // Stored without leading and trailing spaces; used at once when shown, else at the next show.
    void setToolTip(const QString &text);

    bool Visible() const { return visible_; }
    // Setting the value it already has does nothing, so the icon is never added twice.
    void setVisible(bool visible);

    // How often the icon has actually been put into, and taken out of, the notification area.
    int addCount() const { return addCount_; }
    int removeCount() const { return removeCount_; }
    // The platform icon while shown, nullptr while hidden.
    QSystemTrayIcon *systemIcon() const { return sys_.get(); }

    // Raises the events for one report of the icon.
    void handleMessage(int message);
    void handleActivation(QSystemTrayIcon::ActivationReason reason);

Q_SIGNALS:
    void MouseMove();
    void MouseDown(int button);
    void MouseUp(int button);
    void DblClick();

private:
    void raise(const QList<Report> &reports);
    void add();
    void remove();

    QIcon icon_;
    QString toolTip_;
    bool visible_ = false;
    int addCount_ = 0;
    int removeCount_ = 0;
    int inSignal_ = 0;              // depth of activation signals being handled
    bool removeAfterSignal_ = false; // hidden while inside one: taken away once it returned
    std::unique_ptr<QSystemTrayIcon> sys_;
};
