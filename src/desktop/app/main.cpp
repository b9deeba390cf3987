// Orvalis: the booking desk's program.
#include <QApplication>

#include "desktop/app/cmdline.h"
#include "desktop/app/kivoapp.h"
#include "desktop/app/singleinstance.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments().mid(1);

    // A second start hands its document to the running program and ends.
    if (SendToRunningInstance(HandedPath(ParseCommandLine(args)))) return 0;

    CKivoApp::SetDialogColors(app);
    CKivoApp::LoadQtTranslations(app);
    CKivoApp kivo;
    if (!kivo.InitInstance(args)) return 1;
    return app.exec();
}
