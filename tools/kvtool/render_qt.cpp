// kvtool render: a day of the schedule, or the week window from that day, as
// a PNG (the screen) or a one-page PDF (the printed page), through the
// program's own painting routines.
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <cctype>
#include <memory>

#include "core/doc/kivodoc.h"
#include "core/doc/kvtime.h"
#include "core/doc/messages.h"
#include "desktop/schedule/schedulerender.h"
#include "desktop/week/weekpaint.h"
#include "kvtool.h"

namespace kvtool {

namespace {

bool EndsWith(const std::string& s, const char* tail) {
    const std::string t(tail);
    if (s.size() < t.size()) return false;
    for (size_t i = 0; i < t.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - t.size() + i])) != t[i]) return false;
    return true;
}

}  // namespace

int Render(const Options& o) {
    const std::string out = o.Get("--out"), mode = o.Get("--mode");
    Ymd day;
    // The day is read as the date dialog reads it: rolled over, refused only
    // where the register's times cannot reach.
    const KvTime midnight = ParseDate(o.Get("--day"), &day) ? kvtime::MidnightOf(day.year, day.month, day.day)
                                                            : kTimeUnset;
    if (out.empty() || midnight == kTimeUnset) {
        Error(o.usage);
        return kBadArgs;
    }
    if (!mode.empty() && mode != "0" && mode != "1") {
        Error("kvtool render: --mode is 0 or 1");
        return kBadArgs;
    }
    const bool pdf = EndsWith(out, ".pdf");
    if (!pdf && !EndsWith(out, ".png")) {
        Error("kvtool render: --out names a .png or a .pdf file");
        return kBadArgs;
    }

    // Drawing needs a GUI application; no display is needed for it.
    std::unique_ptr<QGuiApplication> app;
    static int argc = 1;
    static char name[] = "kvtool";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    }

    CKivoDoc doc;
    if (int rc = LoadDoc(o.args[0], &doc); rc != kOk) return rc;
    doc.m_timeDay = midnight;
    ScheduleSettings s = ScheduleSettingsFromProfile();
    if (!mode.empty()) s.orientation = sched::OrientationOf(mode == "1" ? 1 : 0);

    // Drawn in memory and saved like a register: through a temporary file
    // renamed into place, so a full disk or a missing folder leaves no cut
    // file behind and is reported with its own message.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const bool week = o.Has("--week");
    if (pdf) {
        QPdfWriter writer(&buffer);
        writer.setResolution(600);
        // The week is the sheet a hall pins to its door: one landscape page with margins.
        const QPageSize a4(QPageSize::A4);
        writer.setPageLayout(week ? QPageLayout(a4, QPageLayout::Landscape, QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter)
                                  : QPageLayout(a4, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer.setCreator(QStringLiteral("Orvalis"));
        if (week) PaintWeekPage(&writer, doc, midnight, s, kvtime::Now());
        else PaintPage(&writer, doc, s);
    } else if (!(week ? RenderWeek(doc, midnight, s, kvtime::Now()) : RenderScreen(doc, s)).save(&buffer, "PNG")) {
        Error(msg::kSaveFailed);
        return kFileError;
    }
    return WriteFile(out, bytes.toStdString());
}

}  // namespace kvtool
