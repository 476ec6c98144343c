// Tested by tests/store/PlatformTest.cpp and the store's tests on both engines.
#include "platform/EngineForms.h"

#include <cctype>
#include <string>

namespace {

// SQLite: "begin" waits for no lock (a deferred transaction takes its locks as its statements run), so a write
// batch asks for "begin immediate". Auto-commit stays on in the driver, which then neither starts a transaction
// of its own before each statement nor believes in one the engine has ended.
const EngineForms kSqliteForms{
    .engine = DatabaseEngine::kSqlite,
    .sessionSetup = {},
    .beginWrite = "begin immediate",
    .commit = "commit",
    .rollback = "rollback",
    .outsideTransactionOnly = "begin",
};

// PostgreSQL through psqlODBC.
// - The driver's own way with a failed statement inside a transaction is a savepoint before every statement, a
//   round trip more for each one (a duplicate check then costs twice as much); "Protocol=7.4-0" turns it off, and
//   the savepoints go around writes only (guardWrites). A failed query then leaves the transaction refused by the
//   engine, which the probe notices: the transaction is lost, as on SQLite after a full disk.
// - The program's texts are code page 936 bytes: the session's client encoding is GBK, so the server converts
//   them to the database's UTF-8 and back, and other tools read the book as Unicode text.
// - A lock wait gives up after half a minute, so that a program that holds the book and no longer answers cannot
//   hold the others' windows for ever (SQLite's driver waits five seconds).
// - Writers do not block readers, nor each other unless they touch the same rows. A write batch (an import's
//   check-then-insert) must not run beside another program's, which could insert the same addresses between its
//   check and its insert: every write batch takes the same transaction-long lock of the database first, the
//   counterpart of SQLite's one writer. Taken under READ COMMITTED, so each statement after it sees what the batch
//   before it committed.
const EngineForms kPostgreSqlForms{
    .engine = DatabaseEngine::kPostgreSql,
    .connectOptions = "Protocol=7.4-0",
    .sessionSetup = {"set client_encoding to 'GBK'", "set lock_timeout to '30s'"},
    .takeWriteLock = "select pg_advisory_xact_lock(2040112101)",
    .failsInAnAbortedTransaction = "select 1",
    .guardWrites = true,
    .texts = TextRule::kGbkWithoutNul,
    .textAsBytes = false,
};

const EngineForms kOtherForms{};

} // namespace

const EngineForms& engineFormsFor(const char* dbmsName) {
    std::string engine(dbmsName);
    for (char& c : engine)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (engine.rfind("sqlite", 0) == 0) return kSqliteForms;
    if (engine.rfind("postgresql", 0) == 0) return kPostgreSqlForms;
    return kOtherForms;
}

const EngineForms& otherEngineForms() {
    return kOtherForms;
}
