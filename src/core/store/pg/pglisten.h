#pragma once
// Hears other desks' changes to one register as the server announces them
// (LISTEN/NOTIFY), on a connection of its own that a window waits on.
#include "core/store/pg/pgconn.h"

namespace store::pg {

class Listener {
public:
    explicit Listener(Location where) : where_(std::move(where)), conn_(where_) {}
    // Connects and listens; false when the server cannot be reached.
    bool Open();
    bool Connected() const { return conn_.Raw() && !conn_.Lost(); }
    // The socket to wait on for input; -1 when not connected.
    int Socket() const { return conn_.Raw() ? PQsocket(conn_.Raw()) : -1; }
    // Takes what arrived: true when a change to this register was announced.
    // A connection that went is closed, and *lost set.
    bool Drain(bool* lost);

private:
    Location where_;
    Connection conn_;
};

}  // namespace store::pg
