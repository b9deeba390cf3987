// Peak memory of the program with the busy register open: the program's own
// start-up (main frame, document manager) offscreen, the register opened as a
// desk opens it, its schedule window on the busy day, then the reservation
// list and the user list filled and shown; the kernel's high-water mark of
// resident memory (VmHWM) is read before and after.
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QMdiArea>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "busy_register.h"
#include "core/doc/kivodoc.h"
#include "desktop/app/kivoapp.h"
#include "desktop/framework/commands.h"
#include "desktop/framework/docmanager.h"
#include "desktop/mainframe/mainframe.h"

namespace {

// A field of /proc/self/status in kB, -1 when missing.
long StatusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line))
        if (line.compare(0, key.size(), key) == 0) return std::strtol(line.c_str() + key.size(), nullptr, 10);
    return -1;
}

void Settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    bench::PinZone();
    char tmpl[] = "/tmp/orvalis-peak-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    profile::SetPath(dir + "/orvalis.ini");
    const std::string path = dir + "/busy.kv";

    // The register is generated in a child so that its making counts nowhere.
    const pid_t child = fork();
    if (child == 0) {
        const std::string bytes = bench::MakeRegisterBytes();
        FILE* f = std::fopen(path.c_str(), "wb");
        const bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fclose(f) == 0;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "peak_memory: could not write the register\n");
        return 1;
    }

    // The offscreen platform's notes on window hints and the runtime folder
    // would bury the figures.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& msg) {
        if (!msg.contains(QLatin1String("propagateSizeHints")) && !msg.contains(QLatin1String("XDG_RUNTIME_DIR")))
            std::fprintf(stderr, "%s\n", qPrintable(msg));
    });
    QApplication app(argc, argv);
    CKivoApp::SetDialogColors(app);
    CKivoApp kivo;
    // "/E": the program with no document, as the baseline.
    if (!kivo.InitInstance(QStringList{QStringLiteral("/E")}, false)) return 1;
    CMainFrame* frame = kivo.MainFrame();
    frame->resize(1366, 768);
    Settle();
    const long baseHwm = StatusKb("VmHWM");

    CKivoDoc* doc = kivo.DocManager()->OpenDocumentFile(QString::fromStdString(path));
    if (!doc || doc->m_arReserve.size() != static_cast<size_t>(bench::kReserves)) {
        std::fprintf(stderr, "peak_memory: the register did not open\n");
        return 1;
    }
    doc->m_timeDay = bench::BusyDay() + 12 * 3600;
    doc->UpdateAllViews(nullptr, ViewHint::Repaint);
    Settle();
    frame->Execute(cmd::ShowReserveList);
    Settle();
    frame->Execute(cmd::ShowUserList);
    Settle();
    frame->MdiArea()->tileSubWindows();  // all three windows painted at once
    Settle();
    (void)frame->grab();
    const long hwm = StatusKb("VmHWM"), rss = StatusKb("VmRSS");
    const int windows = static_cast<int>(frame->MdiArea()->subWindowList().size());

    std::printf("Peak memory with the busy register open (%d windows)\n", windows);
    std::printf("  program without a document: VmHWM %6.1f MB\n", baseHwm / 1024.0);
    std::printf("  register open, three windows: VmHWM %6.1f MB (VmRSS now %.1f MB)\n", hwm / 1024.0, rss / 1024.0);
    std::printf("  the register's share:         %6.1f MB\n", (hwm - baseHwm) / 1024.0);

    doc->SetModifiedFlag(false);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return windows == 3 ? 0 : 1;
}
