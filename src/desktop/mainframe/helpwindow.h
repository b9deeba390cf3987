#pragma once
// The help: HTML pages in Japanese shipped with the program, shown with a
// contents page and a keyword index.
#include <QWidget>

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;

class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit CHelpWindow(QWidget* parent = nullptr);
    // The contents page.
    void ShowContents();
    // The keyword index, searched from the partial keyword (empty: all of it).
    void ShowIndex(const QString& partialKey);
    QTextBrowser* Browser() const { return browser_; }
    QListWidget* Index() const { return index_; }
    // Keyword and page#anchor of every index entry, from the index file.
    static QList<QPair<QString, QString>> Keywords();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    // Shows it in front; the first time placed over the main window and
    // wholly on its screen.
    void ShowOnScreen();
    void FitOnScreen();
    void Filter(const QString& text);
    void OpenEntry(int row);

    QTabWidget* tabs_;
    QListWidget* contents_;
    QLineEdit* key_;
    QListWidget* index_;
    QTextBrowser* browser_;
};
