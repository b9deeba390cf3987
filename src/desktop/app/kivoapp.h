#pragma once
// The application: start-up in its ten steps, the document manager, the main
// frame, and open requests from a second start.
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class CDocManager;
class CInstanceServer;
class CMainFrame;
class QApplication;

class CKivoApp : public QObject {
    Q_OBJECT
public:
    CKivoApp();
    ~CKivoApp() override;

    // Light-grey dialogs and message boxes with black text (step 1).
    static void SetDialogColors(QApplication& app);
    // Japanese (Japan) as the default locale, and Qt's own Japanese texts for
    // its stock dialogs; false when those are not installed (the dialogs then
    // stay in English).
    static bool LoadQtTranslations(QApplication& app);

    // Steps 2 to 10. args are the arguments after the program name;
    // listen: take open requests of later starts. False when the main frame
    // could not be made.
    bool InitInstance(const QStringList& args, bool listen = true);

    CMainFrame* MainFrame() const { return frame_.get(); }
    CDocManager* DocManager() const { return docs_.get(); }

private:
    std::unique_ptr<CDocManager> docs_;
    std::unique_ptr<CMainFrame> frame_;
    CInstanceServer* server_ = nullptr;
};
