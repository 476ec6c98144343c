// The address store: the one database connection that the whole program shares, and every statement on groups,
// addresses, keywords and links, including the refresh of keywords and links from the update server.
// Thread-safe: one lock makes each operation whole against the others, so the window's thread, the group loader
// and the filter worker can share the store.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/HttpGet.h"
#include "platform/DatabaseError.h"
#include "platform/OdbcConnection.h"
#include "store/AddressRecord.h"
#include "store/GroupRecord.h"
#include "store/LinkRecord.h"
#include "store/RowId.h"
#include "store/StoreLock.h"
#include "store/StoreTransaction.h"

// Result codes, as every caller tests them:
//   writers   0 the statement ran (a database error, if any, already reported); 1 the connection is not open;
//             2 (UpdateAddress only) the e-mail text is already in the target group under another id;
//             3 (kNotWritten; only inside a batch that keeps its errors, see beginTransaction) nothing was written:
//             the statement failed, and the batch holds the reason, or the batch is broken and nothing ran.
//   loaders   0 rows read; 1 the connection is not open (list untouched) or no rows (list emptied).
//   checks    0 no matching row; 1 a matching row exists, or the connection is not open.
// Loaders and checks let a DatabaseError reach their caller; writers report it and return 0 (or, inside a batch
// that keeps its errors, hand it to the batch and return 3).
// A connection that a statement finds gone (a database server restarted, the network dropped) is made again by the
// next operation; a read that found it gone is run once more on the new connection. Writes are never repeated: one
// whose answer was lost with the connection may have been done, so it is reported instead.
class AddressStore {
public:
    // Shows a database error's text to the user; the windows connect it to a message box. It is called on the
    // thread that made the call, after the store's lock has been let go (unless the caller holds a transaction).
    using ErrorReporter = std::function<void(const std::string& text)>;

    // A writer's result inside a batch that keeps its errors (BatchErrors::kKeep): nothing was written.
    static constexpr int kNotWritten = 3;

    AddressStore();
    ~AddressStore();
    AddressStore(const AddressStore&) = delete;
    AddressStore& operator=(const AddressStore&) = delete;

    // The program's store (AddressBook::program().store()). Code that is handed a book uses that one; tests make
    // books and stores of their own.
    static AddressStore& instance();

    // Without a reporter, database errors are written to standard error.
    void setErrorReporter(ErrorReporter reporter);
    // Scheme and host of the update server, e.g. "http://127.0.0.1:8080"; the build's configuration by default.
    void setUpdateServer(std::string baseAddress);
    void setDownloadOptions(HttpGetOptions options);

    // Opens the database file "Corvane.bin" in `startDirectory` with the build's connection string. Never creates
    // the file. When the ODBC configuration defines the data source "Corvane" (a book shared on a database server),
    // opens that instead, and `startDirectory` plays no part. Returns whether the connection is open; a refused
    // connection, a missing file or a path that cannot stand in a connection string all give false. An open
    // connection is closed first.
    // A book that connects but cannot be used is a failed open too: a file that is not a database or is damaged,
    // one without the tables and columns the store needs, or one that cannot be read in its folder (a read-only
    // folder where the journal's files cannot be made). Its connection is closed and the driver's text reported
    // once. The check reads no row, so it costs the same on any size of book.
    bool OpenDatabase(const std::string& startDirectory);
    // OpenDatabase on a chosen book: the file Corvane.bin of `folder` whatever data sources are defined, or the
    // book behind the data source `name`.
    bool openBookFile(const std::string& folder);
    bool openDataSource(const std::string& name);
    // Where the book is: the file's path, or the data source with its server, "Corvane (host:port/database)"
    // (after OpenDatabase, also a failed one).
    const std::string& bookDescription() const noexcept { return m_bookDescription; }
    // Why the last OpenDatabase failed, in the driver's words where it gave any; empty after a good open.
    const std::string& openFailure() const noexcept { return m_openFailure; }
    // Closes the connection if it is open. Every operation then returns 1.
    void closeDatabase();
    bool IsOpen();

    // Groups.
    int LoadGroups(std::vector<GroupRecord>& groups);
    int AddGroup(const std::string& name);
    int RenameGroup(RowId id, const std::string& name);
    // Deletes the group and its addresses, as deleteGroupWithAddresses; a failure is reported.
    int DeleteGroup(RowId id);

    // What became of a group that was to be deleted.
    struct GroupDeletion {
        bool deleted = false;       // the group and its addresses are gone; false: nothing changed
        bool notOpen = false;       // there is no connection
        std::int64_t addresses = 0; // addresses deleted with it
        std::string failure;        // the database's text when nothing changed
    };
    // Deletes the group's addresses and the group in one transaction under the database's write lock, so no
    // address is left behind where no list can reach it, and no other program adds one in between. The failure is
    // returned, not reported.
    GroupDeletion deleteGroupWithAddresses(RowId id);

    // Addresses.
    int AddressExists(RowId groupId, const std::string& email);
    int AddressExistsExcept(RowId groupId, const std::string& email, RowId id);
    // AddressExists for each of `emails`, into `results` (a code for each text, in order), all answered from one
    // read of the book: the answers that one call per text would give at that moment. A check that runs on its own
    // begins and ends a read of its own, which costs several times the check itself (the engine's locks and file
    // checks, or a round trip to a server), so a long run of checks, such as the duplicate filter's, goes several
    // times faster in pieces of a few hundred texts: a statement answers for a hundred of them. Inside a batch the
    // checks run in it and see its rows.
    // \throws DatabaseError when a check fails: there is then no answer for any of them (`results` all 1).
    void addressesExist(RowId groupId, std::span<const std::string> emails, std::vector<int>& results);
    int InsertAddress(RowId groupId, const std::string& email, const std::string& name); // no duplicate check

    // What became of the rows of insertAddresses.
    enum class InsertOutcome {
        kInserted, // every row is stored (inside a batch: goes with the batch)
        kReported, // a statement failed, and the failure was reported; outside a batch the rows of the statements
                   // before it stay
        kKept,     // inside a batch that keeps its errors (BatchErrors::kKeep): nothing was written, and the batch
                   // holds the reason; also when the batch was broken already
        kNotOpen,
    };

    // What became of a single address that was to be added.
    enum class AddOutcome {
        kAdded,
        kAlreadyInGroup, // the group holds the e-mail text already: nothing was written
        kNotOpen,
        kFailed, // nothing was written; `failure` says why
    };
    struct AddResult {
        AddOutcome outcome = AddOutcome::kFailed;
        std::string failure;
    };
    // The duplicate check and the insert of one address as one step against every other program on the book: both
    // run under the database's write lock (as an import's batch takes it), so two programs that add the same
    // address to the same group at the same instant store it once. The failure is returned, not reported.
    AddResult addAddressIfAbsent(RowId groupId, const std::string& email, const std::string& name);
    // Inserts each of `emails` under group `groupId` with `name`, in the order given, many rows to a statement (a
    // statement costs far more than a row), with no duplicate check: a writer's result code. Inside a batch the
    // rows go with the batch, whole or not at all; outside one, a failure can leave the rows of the statements
    // that ran before it.
    InsertOutcome insertAddresses(RowId groupId, std::span<const std::string> emails, const std::string& name);
    // An address with a name of its own, for insertNamedAddresses.
    struct NamedAddress {
        std::string email;
        std::string name;
    };
    // insertAddresses with a name for each row: the rows of a list imported with names.
    InsertOutcome insertNamedAddresses(RowId groupId, std::span<const NamedAddress> rows);
    // Refuses (2) an e-mail text that the target group holds under another id. The check and the update run under
    // the database's write lock, so no other program can store the same text in between. Should the check fail,
    // or the lock not be had, the error is reported and the result is 2 too: nothing is written.
    int UpdateAddress(RowId id, RowId groupId, const std::string& email, const std::string& name);
    int DeleteAddress(RowId id);
    // A group's addresses are always read in one order: by e-mail text, then by id. It is the order of the index
    // on (group_id, email), so it costs no sorting, and a page read alone lines up with the whole group's.
    // For the GroupCache: `GroupCache.lock()` first, and pass its list.
    int LoadGroupAddresses(RowId groupId, std::list<AddressRecord>& addresses);
    // Up to `limit` addresses of the group from position `offset` on; a loader's result code.
    int loadGroupAddressPage(RowId groupId, std::int32_t offset, std::int32_t limit,
                             std::vector<AddressRecord>& addresses);
    // The number of addresses of the group; nothing when the connection is not open. \throws DatabaseError
    std::optional<std::int32_t> countGroupAddresses(RowId groupId);
    // Where address `addressId` stands in its group's order (from 0), and the group it is in; nothing when there is
    // no such address or no connection. \throws DatabaseError
    struct AddressPlace {
        RowId groupId = 0;
        std::int64_t position = 0;
    };
    std::optional<AddressPlace> addressPlace(RowId addressId);

    // Keywords and links. The refreshes download the server's file and replace the table, whole or not at all;
    // when the download fails or yields no record, the table keeps its rows. A record that the database refuses
    // is reported and left out; a failure that would leave the new set incomplete keeps the old rows and is
    // reported. They always return 0.
    int RefreshLinks();
    int RefreshSearchKeys();

    // What a refresh of one table came to.
    enum class RefreshOutcome {
        kReplaced,       // the table holds the server's records now
        kNotOpen,        // no book to refresh; nothing was downloaded
        kDownloadFailed, // no whole file came; the table keeps its rows
        kNotARecordFile, // a web page or a body without one valid record came (a captive portal, a proxy); the
                         // table keeps its rows
        kNotStored,      // the database refused the new set (reported); the table keeps its rows
    };
    enum class RefreshedTable { kLinks, kSearchKeys };
    // RefreshLinks or RefreshSearchKeys, saying how it went, so that a failed refresh is tried again soon rather
    // than a day later.
    RefreshOutcome refreshTable(RefreshedTable table);
    int LoadLinks(std::vector<LinkRecord>& links);
    int LoadSearchKeys(std::vector<std::string>& keywords);

    // Holds the store for the calling thread and runs its statements in one transaction until commit(), so that
    // a long run of inserts commits in batches, each whole or not at all. Other threads wait until it ends, in the
    // order in which they asked, so that between two batches each of them gets its turn. The store's operations
    // may be called on this thread while it lives. When the connection is not open the batch does nothing.
    // A batch writes: it takes the database's write lock as it begins, waiting for another program's write up to
    // the driver's busy time-out, so that no statement of it waits or fails for the lock later. Should the
    // database end the transaction on its own part way (a full disk), the batch is broken: nothing more runs in it
    // and nothing of it is committed (StoreTransaction::isBroken). `errors`: see BatchErrors.
    // \throws DatabaseError when the transaction cannot start (e.g. another program held the write lock for
    // longer than the time-out).
    StoreTransaction beginTransaction(BatchErrors errors = BatchErrors::kReport);

    // Runs `statements(connection)` under the store's lock, for work that brings statements of its own (the list
    // tools): a connection found gone is made again first, and one that a statement finds gone is made again at
    // the next call. Inside the calling thread's batch the statements run in its transaction. Returns what
    // `statements` returns. \throws DatabaseError, also when no book is open.
    template <class Statements>
    auto withConnection(Statements statements) -> decltype(statements(std::declval<OdbcConnection&>())) {
        std::lock_guard lock(m_mutex);
        restoreConnection();
        if (!m_connection.isOpen()) throw DatabaseError("08003", 0, "The address book is not open.");
        try {
            return statements(m_connection);
        } catch (const DatabaseError& error) {
            noteIfConnectionGone(error);
            throw;
        }
    }

private:
    friend class StoreTransaction;

    // A writing operation: connection check, the statement, its error reported; the writer's result code.
    int runWrite(const std::string& sql, std::initializer_list<SqlParameter> params);
    // Runs a writing statement; returns the error's text, or an empty text when it ran.
    std::string executeWrite(const std::string& sql, std::initializer_list<SqlParameter> params);
    // Inside a batch that keeps its errors, hands `failure` (if any) to the batch and gives kNotWritten; otherwise
    // adds it to `toReport` and gives 0. `failure` empty: 0. Under the lock.
    int settleWrite(std::string failure, std::vector<std::string>& toReport);
    // Whether the calling thread's batch is broken: a writer then runs nothing. Under the lock.
    bool batchBroken() const;
    int addressExistsLocked(RowId groupId, const std::string& email, const RowId* exceptId);
    // UpdateAddress once the connection is known to be usable; under the lock.
    int updateLocked(RowId id, RowId groupId, const std::string& email, const std::string& name,
                     std::vector<std::string>& failures);
    // Makes a connection found gone again, under the lock; nothing when it is not gone or a batch holds the store.
    // \throws DatabaseError when it cannot be made again.
    void restoreConnection();
    // Notes a connection that `error` found gone, so that the next operation makes it again; whether it was.
    bool noteIfConnectionGone(const DatabaseError& error);
    // Runs `read` under the lock; when it fails because the connection is gone, makes the connection again and
    // runs it once more.
    template <class Read> auto readReconnecting(Read read) -> decltype(read());

    void report(const std::vector<std::string>& failures);
    template <class RowAt> InsertOutcome insertRows(RowId groupId, std::size_t count, RowAt rowAt);
    // The open of a book named `description`: `failure` when it is known unusable before connecting.
    bool openBook(const std::string& description, std::string failure,
                  const std::optional<std::string>& connectionString);

    StoreLock m_mutex;
    OdbcConnection m_connection;
    std::string m_connectionString;
    std::string m_bookDescription;
    std::string m_openFailure;
    // A statement found the connection gone; the next operation makes it again.
    bool m_connectionGone = false;
    // The batch that holds the store, if any. Only the thread that holds the lock reads it, and only a thread that
    // holds a batch holds the lock while it is set, so it is always that thread's own batch.
    StoreTransaction* m_batch = nullptr;
    ErrorReporter m_reporter;
    std::string m_updateServer;
    HttpGetOptions m_downloadOptions;
};
