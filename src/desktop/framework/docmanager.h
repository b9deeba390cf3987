#pragma once
// The document manager: the open documents with their hosts, New, Open,
// Save, Save As, Close, the recent-file list, and finding an open document by
// its canonical path so a file is never open twice.
#include <QObject>
#include <QStringList>
#include <memory>
#include <vector>

class CKivoDoc;
class CDialogDocHost;
class CLiveRefresh;
class QWidget;

// What the manager needs of the main window.
class IWindowFactory {
public:
    virtual ~IWindowFactory() = default;
    // A new schedule window on the document, shown and active.
    virtual void CreateScheduleWindow(CKivoDoc& doc) = 0;
    virtual void ActivateDocument(CKivoDoc& doc) = 0;
    // Closes every window of the document without asking; false when one stays.
    virtual bool CloseDocumentWindows(CKivoDoc& doc) = 0;
    virtual QWidget* MainWidget() = 0;
};

class CDocManager : public QObject {
    Q_OBJECT
public:
    static constexpr int kRecentCount = 4;

    explicit CDocManager(QObject* parent = nullptr);
    ~CDocManager() override;
    void SetWindows(IWindowFactory* windows) { windows_ = windows; }

    // File New: an empty document titled Kivo1, Kivo2, ... in a schedule window.
    CKivoDoc* NewDocument();
    // Opens path in a schedule window, or activates the window of the document
    // that has it open already. Null when opening failed (messages shown), and
    // when the same file's open is still under way (its repair dialog runs).
    CKivoDoc* OpenDocumentFile(const QString& path);
    // An open asked for from outside (a drop, a second start): carried out at
    // once, or, while a modal dialog runs, after the last one closes.
    void RequestOpen(const QString& path);
    // File Open: the file dialog, then OpenDocumentFile.
    CKivoDoc* PromptOpen();
    // サーバーの登録簿を開く: the server dialog, then OpenDocumentFile.
    CKivoDoc* PromptOpenServer();
    // The register is on a server whose role for this desk may only read it.
    bool IsReadOnly(const CKivoDoc* doc) const;
    // The register is on a server that refuses overlaps itself.
    bool ForbidsOverlaps(const CKivoDoc* doc) const;
    CKivoDoc* FindOpen(const QString& path) const;

    bool Save(CKivoDoc& doc);
    bool SaveAs(CKivoDoc& doc);
    // File Close: asks for a modified document without a file, then closes
    // all its windows. False when cancelled.
    bool Close(CKivoDoc& doc);
    // Asks to save a modified document that has no file yet; false on cancel.
    bool SaveModified(CKivoDoc& doc);
    // Exit: asks for every document; false when one answer was cancel.
    bool SaveAllModified();

    // A window let go of doc; the document closes with its last window.
    void WindowDetached(CKivoDoc* doc);

    std::vector<CKivoDoc*> Documents() const;
    bool Owns(const CKivoDoc* doc) const;

    const QStringList& RecentFiles() const { return recent_; }
    void LoadRecentFiles();
    void SaveRecentFiles() const;
    // Opens recent file n (0-based); a file that cannot be opened leaves the list.
    CKivoDoc* OpenRecent(int n);

    // Looks at every open register now for other desks' changes (the watch
    // and the timer do it by themselves).
    void CheckForChanges();
    CLiveRefresh* LiveRefreshOf(const CKivoDoc* doc) const;

    static QString CanonicalPath(const QString& path);
    static QString TitleOf(const QString& path);
    // A file's path made absolute; a server's location as it is.
    static QString FullLocation(const QString& path);

signals:
    void recentFilesChanged();
    void documentsChanged();
    // Other desks' changes to doc were read and shown.
    void documentRefreshed(CKivoDoc* doc);
    // The connection to doc's server went (lost), or came back.
    void connectionChanged(CKivoDoc* doc, bool lost);

private:
    struct Entry;
    CKivoDoc* Adopt(std::unique_ptr<Entry> e);
    void AddRecent(const QString& path);
    void RemoveRecent(const QString& path);
    void WaitForModal();
    void OpenQueued();
    // Before a server register opens: a password asked for when the server
    // wants one; false when the desk cancelled. *readOnly: the role may only read.
    bool PrepareServer(const QString& location, bool* readOnly, bool* forbidsOverlaps);

    IWindowFactory* windows_ = nullptr;
    std::vector<std::unique_ptr<Entry>> docs_;
    int untitled_ = 0;
    QStringList recent_;
    QStringList opening_;  // canonical paths whose open has begun and not ended
    QStringList queued_;   // requests held back while a modal dialog runs
    class ModalWatch;
    ModalWatch* watch_ = nullptr;
};
