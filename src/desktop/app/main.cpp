// Orvalis: the booking desk's program.
#include <QApplication>
#include <QFileInfo>

#include "desktop/app/cmdline.h"
#include "desktop/app/kivoapp.h"
#include "desktop/app/singleinstance.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString line = CommandLineText(QApplication::arguments().mid(1));
    const StartRequest start = ParseCommandLine(line);

    // A second start hands its document to the running program and ends.
    const QString handed = start.kind == StartKind::Path ? QFileInfo(start.path).absoluteFilePath() : QString();
    if (SendToRunningInstance(handed)) return 0;

    CKivoApp::SetDialogColors(app);
    CKivoApp::LoadQtTranslations(app);
    CKivoApp kivo;
    if (!kivo.InitInstance(line)) return 1;
    return app.exec();
}
