#include "desktop/framework/docmanager.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "core/doc/kivodoc.h"
#include "core/doc/messages.h"
#include "core/profile/profile.h"
#include "core/store/location.h"
#ifdef ORVALIS_HAVE_PG
#include "core/store/pg/pgstore.h"
#endif
#include "desktop/dialogs/dialogdochost.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/serverdlg.h"
#include "desktop/dialogs/utf8.h"
#include "desktop/framework/liverefresh.h"

namespace {

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString FromNative(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

const char* const kFilter = "KIVO ﾌｧｲﾙ (*.kv)";

// Save the changes? Yes (6), No (7) or Cancel.
class CSaveChangesDlg : public QDialog {
public:
    CSaveChangesDlg(const QString& title, QWidget* parent) : QDialog(parent) {
        setObjectName(QStringLiteral("SaveChangesDlg"));
        setWindowTitle(U(msg::kAppName));
        setWindowFlag(Qt::WindowContextHelpButtonHint, false);
        auto* icon = new QLabel(this);
        icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
        auto* text = new QLabel(U("%1 への変更を保存しますか?").arg(title), this);
        auto* yes = new QPushButton(U("はい(&Y)"), this);
        yes->setObjectName(QStringLiteral("button6"));
        yes->setDefault(true);
        auto* no = new QPushButton(U("いいえ(&N)"), this);
        no->setObjectName(QStringLiteral("button7"));
        auto* cancel = new QPushButton(U("ｷｬﾝｾﾙ"), this);
        cancel->setObjectName(QStringLiteral("button2"));
        connect(yes, &QPushButton::clicked, this, [this] { done(kYes); });
        connect(no, &QPushButton::clicked, this, [this] { done(kNo); });
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        auto* top = new QHBoxLayout;
        top->addWidget(icon);
        top->addWidget(text, 1);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch(1);
        for (QPushButton* b : {yes, no, cancel}) buttons->addWidget(b);
        auto* outer = new QVBoxLayout(this);
        outer->addLayout(top);
        outer->addLayout(buttons);
    }
    static constexpr int kYes = 6;
    static constexpr int kNo = 7;
};

}  // namespace

// Tells the manager when the modal dialog it watches goes away.
class CDocManager::ModalWatch : public QObject {
public:
    ModalWatch(CDocManager* docs, QWidget* modal) : QObject(docs), docs_(docs), modal_(modal) {
        modal->installEventFilter(this);
        connect(modal, &QObject::destroyed, this, &ModalWatch::Closed);
    }
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == modal_ && (e->type() == QEvent::Hide || e->type() == QEvent::Close)) Closed();
        return false;
    }

private:
    void Closed() {
        if (fired_) return;
        fired_ = true;
        if (modal_) modal_->removeEventFilter(this);
        // Not from inside the dialog's own teardown: once its loop has ended.
        QMetaObject::invokeMethod(docs_, [docs = docs_] { docs->OpenQueued(); }, Qt::QueuedConnection);
    }
    CDocManager* docs_;
    QPointer<QWidget> modal_;
    bool fired_ = false;
};

struct CDocManager::Entry {
    std::unique_ptr<CDialogDocHost> host;
    std::unique_ptr<CKivoDoc> doc;
    std::unique_ptr<CLiveRefresh> live;  // goes before the document it watches
    bool readOnly = false;
    bool forbidsOverlaps = false;
};

CDocManager::CDocManager(QObject* parent) : QObject(parent) {}

CDocManager::~CDocManager() = default;

QString CDocManager::FullLocation(const QString& path) {
    if (store::IsServerText(Native(path))) return path;
    return QFileInfo(path).absoluteFilePath();
}

QString CDocManager::CanonicalPath(const QString& path) {
    // Two names of one register give one key (for a file: links followed).
    return FromNative(store::Location::Parse(Native(FullLocation(path))).Key());
}

QString CDocManager::TitleOf(const QString& path) { return FromNative(store::Location::Parse(Native(path)).Title()); }

CKivoDoc* CDocManager::Adopt(std::unique_ptr<Entry> e) {
    CKivoDoc* doc = e->doc.get();
    e->live = std::make_unique<CLiveRefresh>(*doc, nullptr);
    connect(e->live.get(), &CLiveRefresh::refreshed, this, &CDocManager::documentRefreshed);
    connect(e->live.get(), &CLiveRefresh::connectionChanged, this, &CDocManager::connectionChanged);
    docs_.push_back(std::move(e));
    if (windows_) windows_->CreateScheduleWindow(*doc);
    emit documentsChanged();
    return doc;
}

CKivoDoc* CDocManager::NewDocument() {
    auto e = std::make_unique<Entry>();
    e->host = std::make_unique<CDialogDocHost>(windows_ ? windows_->MainWidget() : nullptr);
    e->doc = std::make_unique<CKivoDoc>();
    e->doc->SetHost(e->host.get());
    if (!e->doc->OnNewDocument()) return nullptr;
    e->doc->SetTitle(QStringLiteral("Kivo%1").arg(++untitled_).toStdString());
    return Adopt(std::move(e));
}

CKivoDoc* CDocManager::FindOpen(const QString& path) const {
    const QString wanted = CanonicalPath(path);
    for (const auto& e : docs_) {
        const std::string& p = e->doc->GetPathName();
        if (!p.empty() && CanonicalPath(FromNative(p)) == wanted) return e->doc.get();
    }
    return nullptr;
}

CKivoDoc* CDocManager::OpenDocumentFile(const QString& path) {
    if (CKivoDoc* open = FindOpen(path)) {
        if (windows_) windows_->ActivateDocument(*open);
        return open;
    }
    // The file counts as open from here: its repair dialog runs an event loop
    // in which the same file may be asked for again.
    const QString canonical = CanonicalPath(path);
    if (opening_.contains(canonical)) return nullptr;
    opening_ << canonical;
    struct Done {
        QStringList& list;
        QString path;
        ~Done() { list.removeOne(path); }
    } done{opening_, canonical};

    auto e = std::make_unique<Entry>();
    e->host = std::make_unique<CDialogDocHost>(windows_ ? windows_->MainWidget() : nullptr);
    e->doc = std::make_unique<CKivoDoc>();
    e->doc->SetHost(e->host.get());
    const QString full = FullLocation(path);
    if (!PrepareServer(full, &e->readOnly, &e->forbidsOverlaps)) return nullptr;
    // The window appears only for a document that opened: a failed open
    // leaves no window behind.
    if (!e->doc->OnOpenDocument(Native(full))) {
        RemoveRecent(full);
        return nullptr;
    }
    // What the profile keeps is the location less any password.
    const QString kept = FromNative(e->doc->GetPathName());
    e->doc->SetTitle((TitleOf(kept) + (e->readOnly ? U(" (読み取り専用)") : QString())).toStdString());
    AddRecent(kept);
    return Adopt(std::move(e));
}

bool CDocManager::PrepareServer(const QString& location, bool* readOnly, bool* forbidsOverlaps) {
    *readOnly = *forbidsOverlaps = false;
#ifdef ORVALIS_HAVE_PG
    const store::Location where = store::Location::Parse(Native(location));
    if (where.kind() != store::Kind::Server) return true;
    store::pg::PgStore probe(where);
    bool mayWrite = true;
    store::Status st = probe.Settings(&mayWrite, forbidsOverlaps);
    if (st.cause == store::Cause::PasswordNeeded) {
        // Asked each session: the program never keeps a password anywhere.
        CPasswordDlg dlg(FromNative(where.Title()), windows_ ? windows_->MainWidget() : nullptr);
        if (Prompt().Exec(&dlg) != QDialog::Accepted) return false;
        where.SetPassword(Native(dlg.Password()));
        st = probe.Settings(&mayWrite, forbidsOverlaps);
    }
    *readOnly = st.ok() && !mayWrite;
#else
    (void)location;
#endif
    return true;
}

bool CDocManager::IsReadOnly(const CKivoDoc* doc) const {
    for (const auto& e : docs_)
        if (e->doc.get() == doc) return e->readOnly;
    return false;
}

bool CDocManager::ForbidsOverlaps(const CKivoDoc* doc) const {
    for (const auto& e : docs_)
        if (e->doc.get() == doc) return e->forbidsOverlaps;
    return false;
}

void CDocManager::RequestOpen(const QString& path) {
    if (!QApplication::activeModalWidget() && queued_.isEmpty()) {
        OpenDocumentFile(path);
        return;
    }
    queued_ << path;
    WaitForModal();
}

void CDocManager::WaitForModal() {
    if (watch_) return;
    if (QWidget* modal = QApplication::activeModalWidget()) watch_ = new ModalWatch(this, modal);
    else QMetaObject::invokeMethod(this, [this] { OpenQueued(); }, Qt::QueuedConnection);
}

void CDocManager::OpenQueued() {
    if (watch_) {
        watch_->deleteLater();
        watch_ = nullptr;
    }
    // An open may run dialogs of its own; what arrives meanwhile waits again.
    while (!queued_.isEmpty()) {
        if (QApplication::activeModalWidget()) {
            WaitForModal();
            return;
        }
        OpenDocumentFile(queued_.takeFirst());
    }
}

CKivoDoc* CDocManager::PromptOpenServer() {
    CServerDlg dlg(windows_ ? windows_->MainWidget() : nullptr);
    if (Prompt().Exec(&dlg) != QDialog::Accepted || dlg.m_strLocation.isEmpty()) return nullptr;
    return OpenDocumentFile(dlg.m_strLocation);
}

CKivoDoc* CDocManager::PromptOpen() {
    const QString path = Prompt().OpenFileName(windows_ ? windows_->MainWidget() : nullptr, U("開く"), U(kFilter));
    if (path.isEmpty()) return nullptr;
    return OpenDocumentFile(path);
}

bool CDocManager::Save(CKivoDoc& doc) {
    if (doc.GetPathName().empty()) return SaveAs(doc);
    // Every change made here reached the file when it was made. Writing the
    // copy in memory again would throw away what other desks saved since, and
    // after a failed re-read or save that copy is not the register: show the
    // file as it stands instead.
    if (!doc.IsModified()) return true;
    const bool ok = doc.ReloadFromFile();
    doc.UpdateAllViews(nullptr, ViewHint::Changed);
    return ok;
}

bool CDocManager::SaveAs(CKivoDoc& doc) {
    QWidget* parent = windows_ ? windows_->MainWidget() : nullptr;
    const QString current = doc.GetPathName().empty() ? FromNative(doc.GetTitle()) : FromNative(doc.GetPathName());
    const QString path =
        Prompt().SaveFileName(parent, U("名前を付けて保存"), current, U(kFilter), QStringLiteral("kv"));
    if (path.isEmpty()) return false;
    const QString full = FullLocation(path);
    if (!doc.GetPathName().empty()) {
        // The copy in memory may be older than the register: other desks save
        // into it. Onto its own file nothing is written; elsewhere the
        // register goes as it stands now, read under its lock.
        if (CanonicalPath(full) == CanonicalPath(FromNative(doc.GetPathName()))) return Save(doc);
        if (!doc.ReloadFromFile()) {
            doc.UpdateAllViews(nullptr, ViewHint::Changed);
            return false;
        }
    }
    if (!doc.OnSaveDocument(Native(full))) return false;
    doc.SetTitle(TitleOf(full).toStdString());
    AddRecent(full);
    doc.UpdateAllViews(nullptr, ViewHint::Repaint);
    emit documentsChanged();
    return true;
}

bool CDocManager::SaveModified(CKivoDoc& doc) {
    // A register with a file is saved by every change; only a new one can
    // hold changes that live nowhere else. A document whose re-read failed is
    // never offered for saving: it would replace the file with what is left.
    if (!doc.IsModified() || !doc.GetPathName().empty()) return true;
    CSaveChangesDlg dlg(FromNative(doc.GetTitle()), windows_ ? windows_->MainWidget() : nullptr);
    const int answer = Prompt().Exec(&dlg);
    if (answer == CSaveChangesDlg::kNo) return true;
    if (answer != CSaveChangesDlg::kYes) return false;
    return Save(doc);
}

bool CDocManager::SaveAllModified() {
    for (CKivoDoc* doc : Documents())
        if (!SaveModified(*doc)) return false;
    return true;
}

bool CDocManager::Close(CKivoDoc& doc) {
    if (!SaveModified(doc)) return false;
    doc.SetModifiedFlag(false);
    return windows_ ? windows_->CloseDocumentWindows(doc) : true;
}

void CDocManager::WindowDetached(CKivoDoc* doc) {
    for (auto it = docs_.begin(); it != docs_.end(); ++it) {
        if ((*it)->doc.get() != doc) continue;
        if (!doc->Views().empty()) return;
        docs_.erase(it);
        emit documentsChanged();
        return;
    }
}

void CDocManager::CheckForChanges() {
    for (CKivoDoc* doc : Documents())
        if (CLiveRefresh* live = LiveRefreshOf(doc)) live->Check();
}

CLiveRefresh* CDocManager::LiveRefreshOf(const CKivoDoc* doc) const {
    for (const auto& e : docs_)
        if (e->doc.get() == doc) return e->live.get();
    return nullptr;
}

std::vector<CKivoDoc*> CDocManager::Documents() const {
    std::vector<CKivoDoc*> out;
    for (const auto& e : docs_) out.push_back(e->doc.get());
    return out;
}

bool CDocManager::Owns(const CKivoDoc* doc) const {
    for (const auto& e : docs_)
        if (e->doc.get() == doc) return true;
    return false;
}

void CDocManager::LoadRecentFiles() {
    recent_.clear();
    for (int i = 1; i <= kRecentCount; ++i) {
        const std::string p = profile::RecentFile(i);
        if (!p.empty()) recent_ << FromNative(p);
    }
    emit recentFilesChanged();
}

void CDocManager::SaveRecentFiles() const {
    for (int i = 1; i <= kRecentCount; ++i)
        profile::WriteRecentFile(i, i <= recent_.size() ? Native(recent_[i - 1]) : std::string());
}

void CDocManager::AddRecent(const QString& path) {
    const QString canonical = CanonicalPath(path);
    for (int i = recent_.size() - 1; i >= 0; --i)
        if (CanonicalPath(recent_[i]) == canonical) recent_.removeAt(i);
    recent_.prepend(path);
    while (recent_.size() > kRecentCount) recent_.removeLast();
    emit recentFilesChanged();
}

void CDocManager::RemoveRecent(const QString& path) {
    const QString canonical = CanonicalPath(path);
    bool changed = false;
    for (int i = recent_.size() - 1; i >= 0; --i)
        if (CanonicalPath(recent_[i]) == canonical) {
            recent_.removeAt(i);
            changed = true;
        }
    if (changed) emit recentFilesChanged();
}

CKivoDoc* CDocManager::OpenRecent(int n) {
    if (n < 0 || n >= recent_.size()) return nullptr;
    return OpenDocumentFile(recent_[n]);
}
