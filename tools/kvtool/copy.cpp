// kvtool copy: a register from one location to another, file or server.
#include "core/doc/kvformat.h"
#include "core/doc/messages.h"
#include "core/store/store.h"
#include "kvtool.h"
#ifdef ORVALIS_HAVE_PG
#include "core/store/pg/pgstore.h"
#endif

namespace kvtool {

int Copy(const Options& o) {
    const store::Location to = store::Location::Parse(o.args[1]);
    const bool toServer = to.kind() == store::Kind::Server;
    if (o.Has("--forbid-overlaps") && !toServer) {
        Error("kvtool copy: --forbid-overlaps is a setting of a register on a server");
        return kBadArgs;
    }
    RegisterData data;
    if (const int rc = LoadFile(o.args[0], &data); rc != kOk) return rc;
    if (!toServer) return WriteRegister(o.args[1], data);
#ifdef ORVALIS_HAVE_PG
    store::pg::PgStore target(to);
    bool existed = false;
    const store::Status st = target.Create(data, o.Has("--replace"), o.Has("--forbid-overlaps") ? 1 : 0, &existed);
    if (existed && !o.Has("--replace")) {
        Error(to.Text() + " は既にあります。置き換えるときは --replace を付けてください。");
        return kRefused;
    }
    // Bookings that overlap cannot stand where the server refuses overlaps.
    if (st.cause == store::Cause::Overlap) {
        Error(msg::kOverlap);
        return kRefused;
    }
    if (st.ok()) return kOk;
    Error(store::Message(st, to, true));
    return kFileError;
#else
    return WriteRegister(o.args[1], data);
#endif
}

}  // namespace kvtool
