#pragma once
// Shows what other desks save into an open register without any input: the
// file and its folder are watched, or the server's announcements heard, and
// the register looked at every two seconds for network shares whose changes
// raise no notification and connections that drop them.
#include <QFileSystemWatcher>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <string>

#include "core/doc/kvformat.h"

class CKivoDoc;
class QSocketNotifier;
class QWidget;
namespace store::pg {
class Listener;
}

// 最新の情報に更新: the file read again and every window of the document
// refilled, lists keeping their place; with AutoRefresh=0 the desk's only way
// to see other desks' bookings.
void RefreshNow(CKivoDoc& doc);

class CLiveRefresh : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 2000;

    CLiveRefresh(CKivoDoc& doc, QObject* parent);
    ~CLiveRefresh() override;
    // Looks at the file now and shows another desk's change in every window
    // of the document; while a modal dialog runs, that waits for it to close.
    void Check();
    // A check is waiting for a modal dialog to close.
    bool Pending() const { return !modal_.isNull(); }
    // The server of the register cannot be reached now.
    bool Lost() const { return lost_; }

signals:
    void refreshed(CKivoDoc* doc);
    // The connection to the register's server went (lost), or came back.
    void connectionChanged(CKivoDoc* doc, bool lost);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // Records freed per turn of the event loop.
    static constexpr int kFreedPerTurn = 5000;

    void Watch();
    // Listens to the register's server, once more after the connection went.
    void Listen();
    void Heard();
    void SetLost(bool lost);
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
    std::unique_ptr<store::pg::Listener> listener_;
    std::unique_ptr<QSocketNotifier> heard_;
    std::string listening_;  // the key of the register listened to
    bool lost_ = false;
};
