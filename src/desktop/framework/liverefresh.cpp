#include "desktop/framework/liverefresh.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QWidget>
#include <iterator>

#include "core/doc/kivodoc.h"
#include "core/profile/profile.h"
#ifdef ORVALIS_HAVE_PG
#include "core/store/pg/pglisten.h"
#else
namespace store::pg {
class Listener {};
}  // namespace store::pg
#endif

void RefreshNow(CKivoDoc& doc) {
    doc.ReloadFromFile();
    doc.UpdateAllViews(nullptr, ViewHint::OtherDesks);
}

CLiveRefresh::CLiveRefresh(CKivoDoc& doc, QObject* parent) : QObject(parent), doc_(doc), parses_(doc.ParseCount()) {
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { Check(); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { Check(); });
    connect(&timer_, &QTimer::timeout, this, [this] { Check(); });
    connect(&freeing_, &QTimer::timeout, this, &CLiveRefresh::FreeSome);
    timer_.start(kIntervalMs);
    Watch();
}

CLiveRefresh::~CLiveRefresh() = default;

void CLiveRefresh::Listen() {
#ifdef ORVALIS_HAVE_PG
    const store::Location& where = doc_.GetLocation();
    if (where.kind() != store::Kind::Server) {
        heard_.reset();
        listener_.reset();
        listening_.clear();
        return;
    }
    if (listening_ != where.Key()) {
        heard_.reset();
        listener_ = std::make_unique<store::pg::Listener>(where);
        listening_ = where.Key();
    }
    if (heard_ && listener_->Connected()) return;
    heard_.reset();
    if (!listener_->Open()) return SetLost(true);
    heard_ = std::make_unique<QSocketNotifier>(listener_->Socket(), QSocketNotifier::Read);
    connect(heard_.get(), &QSocketNotifier::activated, this, &CLiveRefresh::Heard);
    SetLost(false);
#endif
}

void CLiveRefresh::Heard() {
#ifdef ORVALIS_HAVE_PG
    bool lost = false;
    const bool changed = listener_ && listener_->Drain(&lost);
    if (lost) {
        heard_.reset();
        SetLost(true);
        return;
    }
    if (changed) Check();
#endif
}

void CLiveRefresh::SetLost(bool lost) {
    if (lost == lost_) return;
    lost_ = lost;
    emit connectionChanged(&doc_, lost);
    // Back again: what was missed meanwhile is read now.
    if (!lost) QMetaObject::invokeMethod(this, [this] { Check(); }, Qt::QueuedConnection);
}

void CLiveRefresh::Watch() {
    Listen();
    for (const std::string& p : doc_.WatchPaths()) {
        const QString path = QFile::decodeName(QByteArray::fromStdString(p));
        if (!watcher_.files().contains(path) && !watcher_.directories().contains(path) && QFileInfo::exists(path))
            watcher_.addPath(path);
    }
}

void CLiveRefresh::Check() {
    if (profile::GetInt(profile::Key::AutoRefresh) == 0) return;
    if (doc_.GetPathName().empty()) return;
    Watch();  // the path may name another file by now, or a new one
    if (modal_) return;  // already waiting for that dialog
    // Never under a dialog: its decisions rest on what it showed.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal_ = modal;
        modal->installEventFilter(this);
        connect(modal, &QObject::destroyed, this, &CLiveRefresh::ModalClosed);
        return;
    }
    const bool read = RefreshFreeingLater();
    // A command may have re-read the file before its dialog and then been
    // cancelled: the windows still show the older data.
    const bool unseen = doc_.ParseCount() != parses_;
    parses_ = doc_.ParseCount();
    if (!read && !unseen) return;
    doc_.UpdateAllViews(nullptr, ViewHint::OtherDesks);
    if (read) emit refreshed(&doc_);
}

bool CLiveRefresh::RefreshFreeingLater() {
    RegisterData old;
    if (doc_.RefreshFromFile(&old) != CKivoDoc::Refresh::Read) return false;
    auto keep = [](auto& to, auto& from) {
        to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
    };
    keep(old_.facilities, old.facilities);
    keep(old_.reserves, old.reserves);
    keep(old_.users, old.users);
    freeing_.start(0);
    return true;
}

void CLiveRefresh::FreeSome() {
    // About a millisecond's worth per turn of the event loop.
    int budget = kFreedPerTurn;
    auto drop = [&budget](auto& records) {
        for (; budget > 0 && !records.empty(); --budget) records.pop_back();
    };
    drop(old_.reserves);
    drop(old_.users);
    drop(old_.facilities);
    if (old_.reserves.empty() && old_.users.empty() && old_.facilities.empty()) freeing_.stop();
}

bool CLiveRefresh::eventFilter(QObject* watched, QEvent* e) {
    if (watched == modal_ && (e->type() == QEvent::Hide || e->type() == QEvent::Close)) ModalClosed();
    return false;
}

void CLiveRefresh::ModalClosed() {
    if (modal_) {
        modal_->removeEventFilter(this);
        disconnect(modal_, nullptr, this, nullptr);
    }
    modal_ = nullptr;
    // Once the dialog's own loop has ended; another dialog then waits again.
    QMetaObject::invokeMethod(this, [this] { Check(); }, Qt::QueuedConnection);
}
