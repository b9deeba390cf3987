#include "desktop/app/kivoapp.h"

#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QPalette>
#include <QStyleFactory>
#include <QTranslator>

#include "core/profile/profile.h"
#include "desktop/app/cmdline.h"
#include "desktop/app/singleinstance.h"
#include "desktop/app/windowkinds.h"
#include "desktop/framework/docmanager.h"
#include "desktop/mainframe/mainframe.h"
#include "desktop/mainframe/toolicons.h"

CKivoApp::CKivoApp() = default;

CKivoApp::~CKivoApp() {
    // The windows let go of their documents before the documents go.
    frame_.reset();
    docs_.reset();
}

void CKivoApp::SetDialogColors(QApplication& app) {
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const QColor grey(192, 192, 192);
    QPalette pal = app.palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(g, QPalette::Window, grey);
        pal.setColor(g, QPalette::Button, grey);
        pal.setColor(g, QPalette::WindowText, Qt::black);
        pal.setColor(g, QPalette::ButtonText, Qt::black);
        pal.setColor(g, QPalette::Text, Qt::black);
        pal.setColor(g, QPalette::Base, Qt::white);
        pal.setColor(g, QPalette::ToolTipText, Qt::black);
    }
    pal.setColor(QPalette::Disabled, QPalette::Window, grey);
    pal.setColor(QPalette::Disabled, QPalette::Button, grey);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    app.setPalette(pal);
    app.setWindowIcon(AppIcon());
    // No display name: Qt would append it to every caption, the main
    // window's and each dialog's.
    app.setApplicationName(QStringLiteral("Orvalis"));
}

bool CKivoApp::LoadQtTranslations(QApplication& app) {
    // The stock dialogs (files, printing, colours, fonts) and the text
    // fields' menus speak Japanese whatever the desk's locale says, and write
    // numbers, sizes, dates and file types the Japanese way.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    auto* qt = new QTranslator(&app);
    if (!qt->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    QCoreApplication::installTranslator(qt);
    return true;
}

bool CKivoApp::InitInstance(const QStringList& args, bool listen) {
    RegisterWindowKinds();
    docs_ = std::make_unique<CDocManager>();
    docs_->LoadRecentFiles();
    frame_ = std::make_unique<CMainFrame>(docs_.get());
    // The frame's own value is the default: the program never writes the key.
    const int childShow = profile::GetProfileInt(profile::SectionOf(profile::Key::ShowCmd),
                                                 profile::NameOf(profile::Key::ShowCmd),
                                                 NumberOf(frame_->g_nChildShowCmd));
    frame_->g_nChildShowCmd = ShowCmdFromNumber(childShow);
    // Linux has no requested show command; a start is a normal one.
    frame_->RestorePlacementAndShow(ShowCmd::Normal);

    if (listen) {
        server_ = new CInstanceServer(this);
        connect(server_, &CInstanceServer::openRequested, frame_.get(), &CMainFrame::OpenRequested);
        server_->Listen();
    }

    const StartRequest start = ParseCommandLine(args);
    switch (start.kind) {
        case StartKind::DefaultOrNew: {
            const std::string def = profile::GetString(profile::Key::DefaultFile);
            if (!def.empty()) docs_->OpenDocumentFile(QFile::decodeName(QByteArray::fromStdString(def)));
            else docs_->NewDocument();
            break;
        }
        case StartKind::Nothing: break;
        case StartKind::Path: docs_->OpenDocumentFile(start.path); break;
    }
    frame_->repaint();
    return true;
}
