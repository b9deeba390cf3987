#include "desktop/mainframe/lockindicators.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

namespace {

const char* const kPaneText[CLockIndicators::kCount] = {"KANA", "CAP", "NUM", "SCRL"};
const char* const kLedNames[CLockIndicators::kCount] = {"kana", "capslock", "numlock", "scrolllock"};

}  // namespace

CLockIndicators::CLockIndicators(QStatusBar* bar) : QObject(bar) {
    for (int i = 0; i < kCount; ++i) {
        panes_[i] = new QLabel(bar);
        panes_[i]->setObjectName(QString::fromLatin1(kPaneText[i]));
        panes_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panes_[i]->setMinimumWidth(panes_[i]->fontMetrics().horizontalAdvance(QStringLiteral("KANA")) + 8);
        bar->addPermanentWidget(panes_[i]);
    }
    FindLeds();
}

void CLockIndicators::FindLeds() {
    // Where the system does not tell a lock's state its pane stays blank
    // rather than guess.
    bool any = false;
    QDirIterator it(QStringLiteral("/sys/class/leds"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QString dir = it.next();
        for (int i = 0; i < kCount; ++i)
            if (ledFiles_[i].isEmpty() && dir.endsWith(QStringLiteral("::") + QString::fromLatin1(kLedNames[i]))) {
                ledFiles_[i] = dir + QStringLiteral("/brightness");
                any = true;
            }
    }
    if (!any) return;
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &CLockIndicators::Poll);
    timer_->start(500);
    Poll();
}

void CLockIndicators::Poll() {
    for (int i = 0; i < kCount; ++i) {
        if (ledFiles_[i].isEmpty()) continue;
        QFile f(ledFiles_[i]);
        const bool on = f.open(QIODevice::ReadOnly) && f.readAll().trimmed().toInt() > 0;
        panes_[i]->setText(on ? QString::fromLatin1(kPaneText[i]) : QString());
    }
}
