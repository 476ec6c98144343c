// Everything that differs from one database engine to another, in one table: the statements of a write
// transaction, how a lost transaction shows, what a failed statement does to its transaction, the texts the engine
// can hold, and how a session is set up. Every other statement of the program is plain SQL that runs unchanged in
// meaning on each engine. For OdbcConnection only.
#pragma once

#include <vector>

#include "platform/OdbcConnection.h"

// How texts reach the engine.
enum class TextRule {
    // Any bytes, stored as given.
    kAnyBytes,
    // Well-formed GBK without a NUL: the engine converts the session's GBK to its own Unicode and back.
    kGbkWithoutNul,
};

struct EngineForms {
    DatabaseEngine engine = DatabaseEngine::kOther;
    // Added to the connection string once the engine is known (the connection is then made again with them).
    const char* connectOptions = nullptr;
    // Run on each new connection, in order; a failure fails the open.
    std::vector<const char*> sessionSetup;
    // Starts a transaction that holds the write lock from its start, run by us with the driver in auto-commit
    // mode. Null where the engine has no such statement: the driver's own transaction is used then.
    const char* beginWrite = nullptr;
    const char* commit = nullptr;
    const char* rollback = nullptr;
    // Run first in the driver's transaction of a kWrite transaction, to take the write lock. Null: none.
    const char* takeWriteLock = nullptr;
    // A statement that fails inside an open transaction and, outside one, succeeds and starts an empty one that
    // holds no lock: whether it runs tells whether the engine still holds the transaction. Null where there is
    // none.
    const char* outsideTransactionOnly = nullptr;
    // A statement that fails while the engine refuses the rest of the open transaction. Null where there is none.
    const char* failsInAnAbortedTransaction = nullptr;
    // A failed statement makes the engine refuse the rest of its transaction, so a write inside a transaction runs
    // under a savepoint of its own, and a failure undoes that statement alone, as the other engines do.
    bool guardWrites = false;
    TextRule texts = TextRule::kAnyBytes;
    // Character columns are read as bytes (SQL_C_BINARY), which keeps an embedded NUL. psqlODBC hands the last
    // piece of a long text read that way with its last byte lost (a terminator of its own), and a PostgreSQL text
    // holds no NUL: there, texts are read as characters (the ANSI driver hands the session's GBK bytes unchanged).
    bool textAsBytes = true;
};

// The forms of the engine whose DBMS name (SQL_DBMS_NAME) is `dbmsName`; otherEngineForms() for one not known.
const EngineForms& engineFormsFor(const char* dbmsName);
// Any other engine: the driver's transaction, with locks as the engine takes them.
const EngineForms& otherEngineForms();
