#pragma once
// The status bar's kana, caps, num and scroll lock panes, lit as the
// keyboard's LEDs are.
#include <QObject>
#include <QString>

class QLabel;
class QStatusBar;
class QTimer;

class CLockIndicators : public QObject {
    Q_OBJECT
public:
    static constexpr int kCount = 4;

    // Adds the four panes to the right end of the bar.
    explicit CLockIndicators(QStatusBar* bar);

    QLabel* Pane(int i) const { return panes_[i]; }

private:
    void FindLeds();
    void Poll();

    QLabel* panes_[kCount] = {};
    QString ledFiles_[kCount];
    QTimer* timer_ = nullptr;
};
