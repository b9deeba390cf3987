#pragma once
// Every statement the server store sends, in one place. Values always go as
// parameters; the only numbers written into a text are ours (a register's id).
namespace store::pg::sql {

// The schema's version: a later program reads it and migrates from it.
inline constexpr int kSchemaVersion = 1;

// Two desks making the schema at once must not both try.
inline constexpr const char* kSchemaLock = "SELECT pg_advisory_xact_lock(7036001)";
inline constexpr const char* kHasSchema = "SELECT to_regclass('orvalis_schema') IS NOT NULL";

// Text is the register's CP932 bytes, untouched; numbers keep the file's
// limits, so that whatever the server holds a file can hold too.
inline constexpr const char* kCreateSchema = R"SQL(
CREATE TABLE orvalis_schema (version integer NOT NULL);
INSERT INTO orvalis_schema VALUES (1);
CREATE TABLE registers (
    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    name text NOT NULL UNIQUE,
    change_no bigint NOT NULL DEFAULT 1,
    whole_no bigint NOT NULL DEFAULT 1,
    facilities_no bigint NOT NULL DEFAULT 1,
    users_no bigint NOT NULL DEFAULT 1,
    next_pos bigint NOT NULL DEFAULT 0,
    forbid_overlaps boolean NOT NULL DEFAULT false
);
CREATE TABLE facilities (
    register_id bigint NOT NULL REFERENCES registers (id) ON DELETE CASCADE,
    pos integer NOT NULL CHECK (pos >= 0),
    id integer NOT NULL CHECK (id BETWEEN 0 AND 65535),
    name bytea NOT NULL,
    max_people integer NOT NULL CHECK (max_people BETWEEN 0 AND 65535),
    comment bytea NOT NULL,
    PRIMARY KEY (register_id, pos)
);
CREATE TABLE reservations (
    register_id bigint NOT NULL REFERENCES registers (id) ON DELETE CASCADE,
    pos bigint NOT NULL CHECK (pos >= 0),
    change_no bigint NOT NULL,
    user_name bytea NOT NULL,
    purpose bytea NOT NULL,
    contact bytea NOT NULL,
    time_start integer NOT NULL,
    time_end integer NOT NULL,
    facility integer NOT NULL CHECK (facility BETWEEN 0 AND 65535),
    paid integer NOT NULL CHECK (paid BETWEEN 0 AND 65535),
    spare integer NOT NULL CHECK (spare BETWEEN 0 AND 65535),
    fee integer NOT NULL CHECK (fee BETWEEN 0 AND 65535),
    PRIMARY KEY (register_id, pos)
);
CREATE INDEX reservations_changed ON reservations (register_id, change_no);
CREATE TABLE reservations_gone (
    register_id bigint NOT NULL REFERENCES registers (id) ON DELETE CASCADE,
    pos bigint NOT NULL,
    change_no bigint NOT NULL
);
CREATE INDEX reservations_gone_changed ON reservations_gone (register_id, change_no);
CREATE TABLE users (
    register_id bigint NOT NULL REFERENCES registers (id) ON DELETE CASCADE,
    pos integer NOT NULL CHECK (pos >= 0),
    name bytea NOT NULL,
    charge bytea NOT NULL,
    tel bytea NOT NULL,
    zip bytea NOT NULL,
    address bytea NOT NULL,
    mail bytea NOT NULL,
    memo bytea NOT NULL,
    PRIMARY KEY (register_id, pos)
);
)SQL";

// A change: read committed, so that once the row is locked every statement
// sees the last desk's change; the lock waits no longer than a file's does
// (milliseconds, ours), and both go in one round trip.
inline constexpr const char* kBeginChange =
    "BEGIN ISOLATION LEVEL READ COMMITTED; SET LOCAL lock_timeout = %lld";
// Readers never wait: one snapshot, no lock.
inline constexpr const char* kBeginRead = "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY";
inline constexpr const char* kCommit = "COMMIT";
inline constexpr const char* kRollback = "ROLLBACK";

inline constexpr const char* kRegister =
    "SELECT id, change_no, whole_no, facilities_no, users_no, next_pos, forbid_overlaps FROM registers "
    "WHERE name = $1";
inline constexpr const char* kLockRegister =
    "SELECT id, change_no, whole_no, facilities_no, users_no, next_pos, forbid_overlaps FROM registers "
    "WHERE name = $1 FOR UPDATE";
inline constexpr const char* kChangeNo = "SELECT change_no FROM registers WHERE name = $1";
inline constexpr const char* kMayWrite = "SELECT has_table_privilege('reservations', 'UPDATE')";

inline constexpr const char* kFacilities =
    "SELECT id, name, max_people, comment FROM facilities WHERE register_id = $1 ORDER BY pos";
inline constexpr const char* kUsers =
    "SELECT name, charge, tel, zip, address, mail, memo FROM users WHERE register_id = $1 ORDER BY pos";
inline constexpr const char* kReservations =
    "SELECT pos, user_name, purpose, contact, time_start, time_end, facility, paid, spare, fee "
    "FROM reservations WHERE register_id = $1 ORDER BY pos";
inline constexpr const char* kReservationsSince =
    "SELECT pos, user_name, purpose, contact, time_start, time_end, facility, paid, spare, fee "
    "FROM reservations WHERE register_id = $1 AND change_no > $2 ORDER BY pos";
inline constexpr const char* kGoneSince =
    "SELECT pos FROM reservations_gone WHERE register_id = $1 AND change_no > $2 ORDER BY pos";

inline constexpr const char* kInsertReservation =
    "INSERT INTO reservations (register_id, pos, change_no, user_name, purpose, contact, time_start, time_end, "
    "facility, paid, spare, fee) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12)";
inline constexpr const char* kUpdateReservation =
    "UPDATE reservations SET change_no = $3, user_name = $4, purpose = $5, contact = $6, time_start = $7, "
    "time_end = $8, facility = $9, paid = $10, spare = $11, fee = $12 WHERE register_id = $1 AND pos = $2";
inline constexpr const char* kDeleteReservation = "DELETE FROM reservations WHERE register_id = $1 AND pos = $2";
inline constexpr const char* kNoteGone =
    "INSERT INTO reservations_gone (register_id, pos, change_no) VALUES ($1, $2, $3)";
inline constexpr const char* kInsertUser =
    "INSERT INTO users (register_id, pos, name, charge, tel, zip, address, mail, memo) "
    "VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9)";
inline constexpr const char* kUpdateUser =
    "UPDATE users SET name = $3, charge = $4, tel = $5, zip = $6, address = $7, mail = $8, memo = $9 "
    "WHERE register_id = $1 AND pos = $2";
inline constexpr const char* kDeleteUsersFrom = "DELETE FROM users WHERE register_id = $1 AND pos >= $2";
inline constexpr const char* kDeleteFacilities = "DELETE FROM facilities WHERE register_id = $1";
inline constexpr const char* kInsertFacility =
    "INSERT INTO facilities (register_id, pos, id, name, max_people, comment) VALUES ($1, $2, $3, $4, $5, $6)";
// The change number bumped and every listening desk told, in one statement.
inline constexpr const char* kBump =
    "UPDATE registers SET change_no = $2, facilities_no = $3, users_no = $4, next_pos = $5 WHERE id = $1 "
    "RETURNING pg_notify('orvalis_register', name)";

// A register written whole (copy, Save As).
inline constexpr const char* kNewRegister = "INSERT INTO registers (name) VALUES ($1) RETURNING id";
inline constexpr const char* kEmptyRegister =
    "WITH f AS (DELETE FROM facilities WHERE register_id = $1), "
    "r AS (DELETE FROM reservations WHERE register_id = $1), "
    "g AS (DELETE FROM reservations_gone WHERE register_id = $1) "
    "DELETE FROM users WHERE register_id = $1";
inline constexpr const char* kWholeBump =
    "UPDATE registers SET change_no = change_no + 1, whole_no = change_no + 1, facilities_no = change_no + 1, "
    "users_no = change_no + 1, next_pos = $2, forbid_overlaps = $3 WHERE id = $1 "
    "RETURNING change_no, pg_notify('orvalis_register', name)";
inline constexpr const char* kCopyFacilities =
    "COPY facilities (register_id, pos, id, name, max_people, comment) FROM STDIN (FORMAT binary)";
inline constexpr const char* kCopyReservations =
    "COPY reservations (register_id, pos, change_no, user_name, purpose, contact, time_start, time_end, facility, "
    "paid, spare, fee) FROM STDIN (FORMAT binary)";
inline constexpr const char* kCopyUsers =
    "COPY users (register_id, pos, name, charge, tel, zip, address, mail, memo) FROM STDIN (FORMAT binary)";

// The server's own refusal of an overlap, for one register: a facility's
// bookings with valid times may not share a second. A booking without valid
// times occupies no slot, as the entry dialog's rule has it.
inline constexpr const char* kExtension = "CREATE EXTENSION IF NOT EXISTS btree_gist";
inline constexpr const char* kForbidOverlaps =
    "ALTER TABLE reservations ADD CONSTRAINT reservations_no_overlap_%lld EXCLUDE USING gist "
    "(facility WITH =, (CASE WHEN time_start <> -1 AND time_end <> -1 AND time_start < time_end "
    "THEN int4range(time_start, time_end) ELSE 'empty'::int4range END) WITH &&) WHERE (register_id = %lld)";
inline constexpr const char* kAllowOverlaps =
    "ALTER TABLE reservations DROP CONSTRAINT IF EXISTS reservations_no_overlap_%lld";

inline constexpr const char* kListen = "LISTEN orvalis_register";

}  // namespace store::pg::sql
