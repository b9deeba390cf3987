#pragma once
// Shows what other desks save into an open register without any input: the
// file and its folder are watched, and looked at every two seconds for
// network shares whose changes raise no notification.
#include <QFileSystemWatcher>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include "core/doc/kvformat.h"

class CKivoDoc;
class QWidget;

// 最新の情報に更新: the file read again and every window of the document
// refilled, lists keeping their place; with AutoRefresh=0 the desk's only way
// to see other desks' bookings.
void RefreshNow(CKivoDoc& doc);

class CLiveRefresh : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 2000;

    CLiveRefresh(CKivoDoc& doc, QObject* parent);
    // Looks at the file now and shows another desk's change in every window
    // of the document; while a modal dialog runs, that waits for it to close.
    void Check();
    // A check is waiting for a modal dialog to close.
    bool Pending() const { return !modal_.isNull(); }

signals:
    void refreshed(CKivoDoc* doc);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // Records freed per turn of the event loop.
    static constexpr int kFreedPerTurn = 5000;

    void Watch();
    void ModalClosed();
    // RefreshFromFile, the records a read replaced kept aside: after a list
    // has sorted them, freeing 100,000 records in that scattered order at once
    // would hold the window thread about 15 ms, so they go a slice at a time.
    bool RefreshFreeingLater();
    void FreeSome();

    CKivoDoc& doc_;
    QFileSystemWatcher watcher_;
    QTimer timer_;
    QPointer<QWidget> modal_;
    int parses_;  // the document's parse count the windows last showed
    RegisterData old_;
    QTimer freeing_;
};
