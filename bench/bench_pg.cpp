// The busy desk's register (busy_register.h) on a PostgreSQL server on this
// machine: open, a booking, and another desk's booking read in after its
// announcement, each beside its floor from the same run: psql's \copy of the
// same rows, a bare one-row INSERT, nothing. Needs a server: run it as
//   ORVALIS_PG_FSYNC=on tests/pg/with-server.sh build/bench/bench/bench_pg
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "busy_register.h"
#include "core/booking/commit.h"
#include "core/doc/kivodoc.h"
#include "core/doc/text.h"
#include "core/store/pg/pglisten.h"
#include "core/store/pg/pgstore.h"

extern char** environ;

using bench::Book;

namespace {

const char* Socket() { return std::getenv("ORVALIS_PG_SOCKET"); }

std::string Where() { return "postgresql:///orvalis_test?host=" + std::string(Socket()) + "&user=orvalis&register=busy"; }

// The register copied onto the server once; its row id.
long long Copied() {
    static const long long id = [] {
        RegisterData data;
        const std::string& b = bench::Reg().bytes();
        LoadRegister(reinterpret_cast<const unsigned char*>(b.data()), b.size(), &data);
        store::pg::PgStore target(store::Location::Parse(Where()));
        if (!target.Create(data, true, 0).ok()) std::abort();
        PGconn* c = PQconnectdb(("host=" + std::string(Socket()) + " user=orvalis dbname=orvalis_test").c_str());
        PGresult* r = PQexec(c, "SELECT id FROM registers WHERE name = 'busy'");
        const long long found = std::atoll(PQgetvalue(r, 0, 0));
        PQclear(r);
        PQfinish(c);
        return found;
    }();
    return id;
}

// A desk that says what went wrong.
class StderrHost : public IDocHost {
public:
    void ShowMessage(const std::string& utf8, Icon) override { std::fprintf(stderr, "%s\n", utf8.c_str()); }
    bool RunRepairDialog(CKivoDoc&, int, ReserveEntry*) override { return false; }
};

IDocHost* Host() {
    static StderrHost host;
    return &host;
}

void BM_PgOpen(benchmark::State& state) {
    Copied();
    for (auto _ : state) {
        CKivoDoc doc;
        if (!doc.OnOpenDocument(Where())) state.SkipWithError("not opened");
        state.PauseTiming();
        doc.DeleteContents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PgOpen)->Unit(benchmark::kMillisecond);

// The floor of an open: psql, as a process, copies the reservations' rows out.
void BM_PgOpenFloorPsqlCopy(benchmark::State& state) {
    const std::string copy = "\\copy (SELECT pos, user_name, purpose, contact, time_start, time_end, facility, paid, "
                             "spare, fee FROM reservations WHERE register_id = " + std::to_string(Copied()) +
                             " ORDER BY pos) TO /dev/null";
    const std::string host = Socket();
    const char* argv[] = {"psql", "-q", "-h", host.c_str(), "-U", "orvalis", "-d", "orvalis_test", "-c", copy.c_str(),
                          nullptr};
    for (auto _ : state) {
        pid_t pid;
        if (posix_spawnp(&pid, "psql", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            state.SkipWithError("no psql");
        int status = 0;
        waitpid(pid, &status, 0);
    }
}
BENCHMARK(BM_PgOpenFloorPsqlCopy)->Unit(benchmark::kMillisecond);

// Lock, nothing to re-read, the entry dialog's checks, one INSERT, the change
// number and its announcement, COMMIT.
void BM_PgBooking(benchmark::State& state) {
    Copied();
    CKivoDoc doc;
    doc.SetHost(Host());
    doc.OnOpenDocument(Where());
    // The bookings stay on the server from one run of this to the next.
    static int n = 0;
    for (auto _ : state)
        if (Book(doc, n++) != TxResult::Done) state.SkipWithError("booking refused");
}
BENCHMARK(BM_PgBooking)->Unit(benchmark::kMillisecond);

void BM_PgBookingFloorBareInsert(benchmark::State& state) {
    PGconn* c = PQconnectdb(("host=" + std::string(Socket()) + " user=orvalis dbname=orvalis_test").c_str());
    PQclear(PQexec(c, "CREATE TABLE IF NOT EXISTS bench_bare (x integer)"));
    for (auto _ : state) PQclear(PQexec(c, "INSERT INTO bench_bare VALUES (1)"));
    PQfinish(c);
}
BENCHMARK(BM_PgBookingFloorBareInsert)->Unit(benchmark::kMillisecond);

// From another desk's COMMIT (its NOTIFY sent) to this desk's refresh done:
// the announcement heard, the rows changed since read in.
void BM_PgNotifyToRefresh(benchmark::State& state) {
    Copied();
    CKivoDoc doc, other;
    doc.SetHost(Host());
    other.SetHost(Host());
    doc.OnOpenDocument(Where());
    other.OnOpenDocument(Where());
    store::pg::Listener listener(store::Location::Parse(Where()));
    if (!listener.Open()) state.SkipWithError("no listener");
    static int n = 5000;
    for (auto _ : state) {
        state.PauseTiming();
        if (Book(other, n++, 14) != TxResult::Done) state.SkipWithError("other desk refused");
        state.ResumeTiming();
        bool lost = false, heard = false;
        while (!heard && !lost) {
            pollfd p{listener.Socket(), POLLIN, 0};
            poll(&p, 1, 1000);
            heard = listener.Drain(&lost);
        }
        if (doc.RefreshFromFile() != CKivoDoc::Refresh::Read) state.SkipWithError("change not seen");
    }
}
BENCHMARK(BM_PgNotifyToRefresh)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!Socket()) {
        std::puts("bench_pg: no server (run it under tests/pg/with-server.sh)");
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
