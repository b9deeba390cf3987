// The windows' work on the busy register (busy_register.h): filling the
// reservation list (its sort included) and the user list, another desk's
// booking read in with the list open, painting the busy day into a
// window-sized image through the screen's own painting routine, and finding
// what a double-click hit. Runs offscreen; no display needed.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "busy_register.h"
#include "core/booking/facilityindex.h"
#include "core/doc/kivodoc.h"
#include "core/profile/profile.h"
#include "core/schedule/geometry.h"
#include "desktop/framework/liverefresh.h"
#include "desktop/lists/reserveview.h"
#include "desktop/lists/userview.h"
#include "desktop/schedule/profilefont.h"
#include "desktop/schedule/schedulepaint.h"
#include "desktop/week/weekpaint.h"

namespace {

using bench::Reg;

// A maximised schedule window's drawing area on a 1366 x 768 screen, about.
constexpr int kWindowW = 1280, kWindowH = 800;
// The view draws 3 pixels below its top edge (CKivoView's kTopShift).
constexpr int kTopShift = 3;

// The register opened once, in its file order, on the busy day.
CKivoDoc& Doc() {
    static CKivoDoc* doc = [] {
        Reg().Reset();
        auto* d = new CKivoDoc;
        d->OnOpenDocument(Reg().path());
        d->m_timeDay = bench::BusyDay() + 12 * 3600;
        return d;
    }();
    return *doc;
}

// Puts the reservations back in file order, as a re-read leaves them.
class FileOrder {
public:
    explicit FileOrder(CKivoDoc& doc) : doc_(doc) {
        for (const auto& r : doc.m_arReserve) order_.push_back(r.get());
    }
    void Restore() {
        for (auto& r : doc_.m_arReserve) (void)r.release();
        for (size_t i = 0; i < order_.size(); ++i) doc_.m_arReserve[i].reset(order_[i]);
    }

private:
    CKivoDoc& doc_;
    std::vector<CReserve*> order_;
};

void BM_FillReserveList(benchmark::State& state) {
    CKivoDoc& doc = Doc();
    FileOrder fileOrder(doc);
    profile::WriteInt(profile::Key::RViewSort, static_cast<int>(state.range(0)));
    CReserveView view(&doc);
    view.resize(kWindowW, kWindowH);
    view.show();
    for (auto _ : state) {
        state.PauseTiming();
        fileOrder.Restore();
        state.ResumeTiming();
        view.FillList(ListSelection::Current);
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    if (view.LineCount() != bench::kReserves) state.SkipWithError("not every reservation listed");
    fileOrder.Restore();
    state.SetLabel("sort key " + std::to_string(state.range(0)));
}
BENCHMARK(BM_FillReserveList)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

void BM_FillUserList(benchmark::State& state) {
    CKivoDoc& doc = Doc();
    CUserView view(&doc);
    view.resize(kWindowW, kWindowH);
    view.show();
    for (auto _ : state) {
        view.FillList(ListSelection::Current);
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    if (view.LineCount() != static_cast<int>(doc.m_arUser.size())) state.SkipWithError("not every user listed");
}
BENCHMARK(BM_FillUserList)->Unit(benchmark::kMillisecond);

// The window thread's processor time so far, in seconds.
double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Another desk books (not timed) while the reservation list is open; the
// time is the longest the window thread is held at once: the check that reads
// the file, or a turn of the event loop after it (the list's refill and
// repaint). The counters give each part's wall and processor time; the
// processor time is what a machine busy with other work does not inflate.
void BM_LiveRefreshWithList(benchmark::State& state) {
    Reg().Reset();
    profile::WriteInt(profile::Key::RViewSort, static_cast<int>(state.range(0)));
    CKivoDoc doc, other;
    doc.OnOpenDocument(Reg().path());
    other.SetPathName(Reg().path());
    CReserveView view(&doc);
    view.resize(kWindowW, kWindowH);
    view.show();
    view.OnInitialUpdate();
    CLiveRefresh live(doc, nullptr);
    QApplication::processEvents();
    double read = 0, refill = 0, readCpu = 0, refillCpu = 0;
    int n = 0;
    for (auto _ : state) {
        const TxResult booked = other.Transact([&n](CKivoDoc& d) {
            auto r = std::make_unique<CReserve>();
            r->m_strUser = "other desk";
            r->m_timeStart = bench::BusyDay() + 365 * 86400 + n++ * 3600;
            r->m_timeEnd = r->m_timeStart + 1800;
            r->m_nFacilityID = 1;
            d.m_arReserve.push_back(std::move(r));
            return true;
        });
        const int lines = view.LineCount();
        QElapsedTimer t;
        t.start();
        double cpu = ThreadSeconds();
        live.Check();
        const double checkSeconds = static_cast<double>(t.nsecsElapsed()) * 1e-9;
        readCpu += ThreadSeconds() - cpu;
        // One turn after another until the list shows the booking.
        double longest = 0, longestCpu = 0;
        for (int turn = 0; turn < 100 && view.LineCount() == lines; ++turn) {
            t.restart();
            cpu = ThreadSeconds();
            QApplication::processEvents(QEventLoop::AllEvents);
            longest = std::max(longest, static_cast<double>(t.nsecsElapsed()) * 1e-9);
            longestCpu = std::max(longestCpu, ThreadSeconds() - cpu);
        }
        if (booked != TxResult::Done || view.LineCount() != lines + 1) state.SkipWithError("booking not shown");
        read += checkSeconds, refill += longest, refillCpu += longestCpu;
        state.SetIterationTime(std::max(checkSeconds, longest));
    }
    using benchmark::Counter;
    state.counters["read_ms"] = Counter(read * 1e3, Counter::kAvgIterations);
    state.counters["read_cpu_ms"] = Counter(readCpu * 1e3, Counter::kAvgIterations);
    state.counters["refill_ms"] = Counter(refill * 1e3, Counter::kAvgIterations);
    state.counters["refill_cpu_ms"] = Counter(refillCpu * 1e3, Counter::kAvgIterations);
    state.SetLabel("sort key " + std::to_string(state.range(0)));
    Reg().Reset();
}
BENCHMARK(BM_LiveRefreshWithList)->DenseRange(0, 5)->UseManualTime()->Unit(benchmark::kMillisecond);

// The busy day as the schedule window paints it: the same routine into an
// image the size of the window, scrolled to the top left.
void BM_PaintBusyDay(benchmark::State& state) {
    CKivoDoc& doc = Doc();
    const int mode = static_cast<int>(state.range(0));
    const QFont font = ToQFont(ProfileFont{});
    const sched::Layout lay = MakeLayout(doc, sched::OrientationOf(mode), 8, 23, font);
    const ScheduleColors colors{QColor(0, 255, 0), QColor(255, 255, 0)};
    QImage img(kWindowW, kWindowH, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter p(&img);
        p.translate(0, kTopShift);
        PaintSchedule(p, doc, lay, font, colors, BoxContent::UserPurpose, Surface::Screen);
    }
    state.SetLabel(mode == 0 ? "facilities across" : "facilities down");
}
BENCHMARK(BM_PaintBusyDay)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

// The week window from the day before the busy day, as its view paints it
// into a window-sized image: scrolled to the top, and to the last facilities.
void BM_PaintBusyWeek(benchmark::State& state) {
    CKivoDoc& doc = Doc();
    ScheduleSettings s;
    s.font = ToQFont(ProfileFont{});
    s.colors = {QColor(0, 255, 0), QColor(255, 255, 0)};
    const sched::WeekLayout lay = MakeWeekLayout(doc, s);
    const QPoint scroll(0, state.range(0) == 0 ? 0 : std::max(0, lay.Height() - kWindowH));
    const KvTime first = bench::BusyDay() - 86400;
    QImage img(kWindowW, kWindowH, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&img);
        PaintWeek(p, doc, first, lay, s, first, scroll, img.size());
    }
    state.SetLabel(state.range(0) == 0 ? "top" : "last facilities");
}
BENCHMARK(BM_PaintBusyWeek)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

// A double-click on the busy day: on the last box of the day in file order,
// and on an empty cell (the whole register passed over).
void BM_HitTest(benchmark::State& state) {
    CKivoDoc& doc = Doc();
    const QFont font = ToQFont(ProfileFont{});
    const sched::Layout lay = MakeLayout(doc, sched::Orientation::FacilitiesAcross, 8, 23, font);
    const sched::DayRange day = sched::DayOf(doc.m_timeDay);
    const std::vector<int> ofDay = sched::ReservesOfDay(doc.m_arReserve, day);
    const FacilityIndex facilities(doc.m_arFacility);
    int x = 1, y = 1;  // 8:00, before the day's first booking
    if (state.range(0) == 0) {
        const CReserve& last = *doc.m_arReserve[static_cast<size_t>(ofDay.back())];
        const sched::Rect b = sched::ReserveBox(lay, last, facilities.Of(last.m_nFacilityID));
        x = b.left + 2, y = b.top + 2;
    }
    sched::Hit hit;
    for (auto _ : state) {
        hit = sched::HitTest(lay, doc, x, y);
        benchmark::DoNotOptimize(hit);
    }
    if (hit.onBox != (state.range(0) == 0)) state.SkipWithError("unexpected hit");
    state.SetLabel(state.range(0) == 0 ? "on the day's last box" : "on an empty cell");
    state.counters["day_bookings"] = static_cast<double>(ofDay.size());
}
BENCHMARK(BM_HitTest)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    bench::PinZone();
    // The offscreen platform's notes on window hints and the runtime folder
    // would bury the figures.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& msg) {
        if (!msg.contains(QLatin1String("propagateSizeHints")) && !msg.contains(QLatin1String("XDG_RUNTIME_DIR")))
            std::fprintf(stderr, "%s\n", qPrintable(msg));
    });
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
