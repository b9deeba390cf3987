// A busy desk's register: 100,000 reservations, 200 facilities, 10,000 users.
// Open and a booking must stay well under 100 ms and 200 ms; the raw read and
// the raw write with fsync of the same bytes show the floor.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "app/profile.h"
#include "dialogs/checks.h"
#include "doc/kivodoc.h"
#include "doc/kvformat.h"
#include "doc/kvtime.h"
#include "doc/text.h"
#include "lists/export.h"

namespace {

constexpr int kFacilities = 200;
constexpr int kUsers = 10000;
constexpr int kReserves = 100000;

class Register {
public:
    Register() {
        char tmpl[] = "/tmp/orvalis-bench-XXXXXX";
        dir_ = mkdtemp(tmpl);
        profile::SetPath(dir_ + "/orvalis.ini");
        path_ = dir_ + "/busy.kv";
        std::mt19937 rng(7);
        FacilityArray fs;
        for (int i = 0; i < kFacilities; ++i) {
            auto f = std::make_unique<CKivo>();
            f->m_nID = i + 1;
            f->m_strName = text::Cp932("会議室") + std::to_string(i + 1);
            f->m_nMaxPeople = 10 + i % 50;
            f->m_strComment = text::Cp932("プロジェクタあり");
            fs.push_back(std::move(f));
        }
        UserArray us;
        for (int i = 0; i < kUsers; ++i) {
            auto u = std::make_unique<CKivoUser>();
            u->m_strName = text::Cp932("顧客") + std::to_string(i);
            u->m_strCharge = text::Cp932("担当") + std::to_string(i);
            u->m_strTel = std::string("03-").append(std::to_string(1000 + i % 9000)).append("-0000");
            u->m_strAddress = text::Cp932("東京都千代田区");
            us.push_back(std::move(u));
        }
        ReserveArray rs;
        for (int i = 0; i < kReserves; ++i) {
            auto r = std::make_unique<CReserve>();
            r->m_strUser = us[rng() % kUsers]->m_strName;
            r->m_strPurpose = text::Cp932("定例会議");
            r->m_strContact = std::string("x").append(std::to_string(rng() % 1000));
            const int day = static_cast<int>(rng() % 730), hour = 8 + static_cast<int>(rng() % 12);
            r->m_timeStart = kvtime::MakeTime(2020, 1, 1 + day, hour, 0);
            r->m_timeEnd = kvtime::MakeTime(2020, 1, 1 + day, hour + 1, 0);
            r->m_nFacilityID = 1 + static_cast<int>(rng() % kFacilities);
            r->m_nFee = static_cast<int>(rng() % 20000);
            r->m_bPaid = static_cast<int>(rng() % 2);
            rs.push_back(std::move(r));
        }
        bytes_ = StoreRegister(fs, rs, us);
        Reset();
    }
    ~Register() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    // Puts the generated register back on disk.
    void Reset() const {
        FILE* f = std::fopen(path_.c_str(), "wb");
        std::fwrite(bytes_.data(), 1, bytes_.size(), f);
        std::fclose(f);
    }
    const std::string& path() const { return path_; }
    const std::string& dir() const { return dir_; }
    const std::string& bytes() const { return bytes_; }

private:
    std::string dir_, path_, bytes_;
};

const Register& Reg() {
    static Register r;
    return r;
}

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
