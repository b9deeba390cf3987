// The document's work on a busy desk's register (busy_register.h): open, save,
// a booking, the six sorts and the five exports, beside the raw read and the
// raw write with fsync of the same bytes, the floor every figure is put to.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "busy_register.h"
#include "core/booking/commit.h"
#include "core/booking/free.h"
#include "core/doc/kivodoc.h"
#include "core/doc/kvformat.h"
#include "core/doc/text.h"
#include "core/lists/export.h"

namespace {

using bench::Book;
using bench::Reg;

void BM_RawRead(benchmark::State& state) {
    std::string buf(Reg().bytes().size(), '\0');
    for (auto _ : state) {
        int fd = open(Reg().path().c_str(), O_RDONLY);
        size_t got = 0;
        ssize_t n;
        while ((n = read(fd, buf.data() + got, buf.size() - got)) > 0) got += static_cast<size_t>(n);
        close(fd);
        benchmark::DoNotOptimize(got);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Reg().bytes().size()));
}
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond);

void BM_RawWriteFsync(benchmark::State& state) {
    const std::string out = Reg().dir() + "/raw.kv";
    for (auto _ : state) {
        int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const std::string& b = Reg().bytes();
        size_t done = 0;
        ssize_t n;
        while (done < b.size() && (n = write(fd, b.data() + done, b.size() - done)) > 0) done += static_cast<size_t>(n);
        fsync(fd);
        close(fd);
    }
}
BENCHMARK(BM_RawWriteFsync)->Unit(benchmark::kMillisecond);

void BM_Open(benchmark::State& state) {
    Reg().Reset();
    for (auto _ : state) {
        CKivoDoc doc;
        benchmark::DoNotOptimize(doc.OnOpenDocument(Reg().path()));
        state.PauseTiming();
        doc.DeleteContents();  // freeing the records is not part of opening
        state.ResumeTiming();
    }
    state.counters["bytes"] = static_cast<double>(Reg().bytes().size());
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state) {
    Reg().Reset();
    CKivoDoc doc;
    doc.OnOpenDocument(Reg().path());
    for (auto _ : state) benchmark::DoNotOptimize(doc.OnSaveDocument(Reg().path()));
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

// Lock, re-read, the entry dialog's checks with overlaps forbidden, save,
// release; the file is as this desk last wrote it, so it is not parsed again.
void BM_Booking(benchmark::State& state) {
    Reg().Reset();
    CKivoDoc doc;
    doc.OnOpenDocument(Reg().path());
    int n = 0;
    for (auto _ : state)
        if (Book(doc, n++) != TxResult::Done) state.SkipWithError("booking refused");
    state.counters["parses"] = doc.ParseCount();
    Reg().Reset();
}
BENCHMARK(BM_Booking)->Unit(benchmark::kMillisecond);

// Another desk books before each timed step (not timed), so that the step
// finds the file changed.
template <class Step>
void AfterAnotherDesk(benchmark::State& state, Step step) {
    Reg().Reset();
    CKivoDoc doc, other;
    doc.OnOpenDocument(Reg().path());
    other.OnOpenDocument(Reg().path());
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (Book(other, n, 14) != TxResult::Done) state.SkipWithError("other desk refused");
        state.ResumeTiming();
        step(doc, n++);
    }
    state.counters["parses"] = doc.ParseCount();
    Reg().Reset();
}

// A booking after another desk's: the re-read parses.
void BM_BookingAfterAnotherDesk(benchmark::State& state) {
    AfterAnotherDesk(state, [&state](CKivoDoc& doc, int n) {
        if (Book(doc, n) != TxResult::Done) state.SkipWithError("booking refused");
    });
}
BENCHMARK(BM_BookingAfterAnotherDesk)->Unit(benchmark::kMillisecond);

// What the window thread does on a live refresh before the windows repaint:
// notice another desk's booking and read it in.
void BM_LiveRefresh(benchmark::State& state) {
    AfterAnotherDesk(state, [&state](CKivoDoc& doc, int) {
        if (doc.RefreshFromFile() != CKivoDoc::Refresh::Read) state.SkipWithError("change not seen");
    });
}
BENCHMARK(BM_LiveRefresh)->Unit(benchmark::kMillisecond);

// Whole processes, as a desk's script runs them: 0 cat of the register, 1 cat
// of an empty file, 2 kvtool check of the register, 3 of a register without
// bookings, 4 kvtool book into the register, 5 into the one without bookings,
// 6 kvtool free on the register over 31 days around the busy day.
void BM_Process(benchmark::State& state) {
#ifdef ORVALIS_KVTOOL
    Reg().Reset();
    const std::string empty = Reg().dir() + "/empty.kv", none = Reg().dir() + "/none";
    {
        FacilityArray f;
        f.push_back(std::make_unique<CKivo>());
        f.back()->m_nID = 1;
        f.back()->m_strName = "A";
        CKivoDoc d;
        d.m_arFacility = std::move(f);
        d.OnSaveDocument(empty);
        int fd = open(none.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        close(fd);
    }
    const int which = static_cast<int>(state.range(0));
    const std::string reg = which == 3 || which == 5 ? empty : Reg().path();
    int n = 0;
    double childCpu = 0;
    for (auto _ : state) {
        std::vector<std::string> args;
        if (which <= 1) args = {"/bin/cat", which == 0 ? Reg().path() : none};
        else if (which <= 3) args = {ORVALIS_KVTOOL, "check", reg};
        else if (which == 6)
            args = {ORVALIS_KVTOOL, "free", reg, "--date", "2021-05-17", "--until", "2021-06-16",
                    "--start", "10:00", "--end", "12:00", "--people", "20"};
        else {
            char date[16];
            std::snprintf(date, sizeof date, "%04d-%02d-%02d", 2031 + n / 336, 1 + n / 28 % 12, 1 + n % 28);
            ++n;
            args = {ORVALIS_KVTOOL, "book", reg, "--facility", "1", "--date", date,
                    "--start", "10:00", "--end", "11:00", "--user", "bench"};
        }
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid;
        if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0) state.SkipWithError("spawn");
        int status = 0;
        rusage ru{};
        wait4(pid, &status, 0, &ru);
        // The child's own processor time: what a machine busy with other work does not inflate.
        childCpu += static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 +
                    static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-3;
        posix_spawn_file_actions_destroy(&fa);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the command failed");
    }
    state.counters["child_cpu_ms"] = benchmark::Counter(childCpu, benchmark::Counter::kAvgIterations);
    state.SetLabel(std::vector<const char*>{"cat register", "cat empty file", "kvtool check register",
                                            "kvtool check empty register", "kvtool book register",
                                            "kvtool book empty register",
                                            "kvtool free register, 31 days"}[static_cast<size_t>(which)]);
    Reg().Reset();
#else
    state.SkipWithError("built without kvtool");
#endif
}
BENCHMARK(BM_Process)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

// Each iteration sorts the register in its file order.
void BM_SortReserves(benchmark::State& state) {
    Reg().Reset();
    CKivoDoc doc;
    doc.OnOpenDocument(Reg().path());
    // The records stay owned here, by the deleters that know their blocks.
    ReserveArray owned = std::move(doc.m_arReserve);
    std::vector<CReserve*> fileOrder;
    for (auto& r : owned) fileOrder.push_back(r.get());
    for (auto _ : state) {
        state.PauseTiming();
        doc.m_arReserve.clear();
        for (CReserve* r : fileOrder) doc.m_arReserve.emplace_back(r);
        state.ResumeTiming();
        doc.SortReserves(SortKeyFromNumber(static_cast<int>(state.range(0))));
        state.PauseTiming();
        for (auto& r : doc.m_arReserve) r.release();
        state.ResumeTiming();
    }
    doc.m_arReserve = std::move(owned);
}
BENCHMARK(BM_SortReserves)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

void BM_Export(benchmark::State& state) {
    Reg().Reset();
    CKivoDoc doc;
    doc.OnOpenDocument(Reg().path());
    const auto kind = static_cast<ExportKind>(state.range(0));
    const std::string out = Reg().dir() + "/export.txt";
    for (auto _ : state) benchmark::DoNotOptimize(WriteExport(kind, doc, out));
    state.SetLabel(std::vector<const char*>{"reserve-text", "facility-text", "reserve-csv", "facility-csv",
                                            "users"}[static_cast<size_t>(state.range(0))]);
}
BENCHMARK(BM_Export)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

}  // namespace

// The free-room search on the open register: 1 or 31 dates around the busy
// day, 10:00 to 12:00, every facility asked about.
void BM_FreeSearch(benchmark::State& state) {
    Reg().Reset();
    CKivoDoc doc;
    doc.OnOpenDocument(Reg().path());
    booking::FreeQuestion q;
    q.first.year = 2021, q.first.month = 5, q.first.day = state.range(0) == 1 ? 31 : 17;
    q.first.startHour = 10, q.first.endHour = 12;
    q.days = static_cast<int>(state.range(0)) == 1 ? 1 : booking::kMaxFreeDays;
    size_t free = 0;
    for (auto _ : state) {
        const std::vector<booking::FreeSlot> slots = booking::FindFree(doc.m_arFacility, doc.m_arReserve, q);
        free = static_cast<size_t>(std::count_if(slots.begin(), slots.end(), [](const auto& s) { return !s.taken; }));
        benchmark::DoNotOptimize(free);
    }
    state.counters["free"] = static_cast<double>(free);
    state.SetLabel(std::to_string(q.days) + (q.days == 1 ? " date" : " dates"));
}
BENCHMARK(BM_FreeSearch)->Arg(1)->Arg(31)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
