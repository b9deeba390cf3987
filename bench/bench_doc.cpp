// The document's work on a busy desk's register (busy_register.h): open, save,
// a booking, the six sorts and the five exports, beside the raw read and the
// raw write with fsync of the same bytes, the floor every figure is put to.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "busy_register.h"
#include "core/booking/rules.h"
#include "core/doc/kivodoc.h"
#include "core/doc/text.h"
#include "core/lists/export.h"

namespace {

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

// Lock, re-read, the entry dialog's checks with overlaps forbidden, save, release.
void BM_Booking(benchmark::State& state) {
    Reg().Reset();
    CKivoDoc doc;
    doc.OnOpenDocument(Reg().path());
    int n = 0;
    for (auto _ : state) {
        ReserveEntry e;
        e.user = text::Cp932("顧客1");
        e.year = 2030, e.month = 1, e.day = 1 + static_cast<uint32_t>(n++);  // rolls over into later months
        e.startHour = 10, e.endHour = 11;
        CheckResult check = CheckResult::Ok;
        TxResult tx = doc.Transact([&](CKivoDoc& d) {
            e.facility = d.GetFacilityIndex(1);
            check = CheckAfterReload(e, d.m_arReserve, d.m_arFacility, nullptr, true);
            if (check != CheckResult::Ok) return false;
            auto r = std::make_unique<CReserve>();
            ApplyEntry(e, d.m_arFacility, r.get());
            d.m_arReserve.push_back(std::move(r));
            return true;
        });
        if (tx != TxResult::Done) state.SkipWithError("booking refused");
    }
    Reg().Reset();
}
BENCHMARK(BM_Booking)->Unit(benchmark::kMillisecond);

// Each iteration sorts the register in its file order.
void BM_SortReserves(benchmark::State& state) {
    Reg().Reset();
    CKivoDoc doc;
    doc.OnOpenDocument(Reg().path());
    std::vector<CReserve*> fileOrder;
    for (auto& r : doc.m_arReserve) fileOrder.push_back(r.release());
    for (auto _ : state) {
        state.PauseTiming();
        doc.m_arReserve.clear();
        for (CReserve* r : fileOrder) doc.m_arReserve.emplace_back(r);
        state.ResumeTiming();
        doc.SortReserves(static_cast<int>(state.range(0)));
        state.PauseTiming();
        for (auto& r : doc.m_arReserve) r.release();
        state.ResumeTiming();
    }
    doc.m_arReserve.clear();
    for (CReserve* r : fileOrder) delete r;
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

BENCHMARK_MAIN();
