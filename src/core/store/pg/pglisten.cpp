#include "core/store/pg/pglisten.h"

#include "core/store/pg/pgsql.h"

namespace store::pg {

bool Listener::Open() {
    if (Connected()) return true;
    if (!conn_.Open().ok() || !conn_.Command(sql::kListen).ok()) {
        conn_.Close();
        return false;
    }
    return true;
}

bool Listener::Drain(bool* lost) {
    *lost = false;
    if (!conn_.Raw()) return false;
    if (PQconsumeInput(conn_.Raw()) == 0 || conn_.Lost()) {
        conn_.Close();
        *lost = true;
        return false;
    }
    bool ours = false;
    while (PGnotify* n = PQnotifies(conn_.Raw())) {
        ours = ours || where_.Register() == n->extra;
        PQfreemem(n);
    }
    return ours;
}

}  // namespace store::pg
