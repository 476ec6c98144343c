// Tested by tests/textfiles/ImportTest.cpp.
#include "textfiles/AddressImport.h"

#include <cstddef>
#include <cstring>
#include <span>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/DatabaseError.h"
#include "regex/EmailAddress.h"
#include "store/AddressStore.h"
#include "textfiles/AddressLine.h"
#include "textfiles/LineReader.h"

namespace {

// Addresses checked by one statement and new ones inserted by one: a statement costs far more than a row.
constexpr std::size_t kRowsPerInsert = 100;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

class Importer {
public:
    Importer(AddressStore& store, LineReader& reader, RowId groupId, const ImportBatching& batching,
             ImportResult& result, ImportProgress& progress, std::stop_token stop)
        : m_store(store), m_reader(reader), m_groupId(groupId), m_batching(batching), m_result(result),
          m_progress(progress), m_stop(std::move(stop)) {}

    void run() {
        bool more = true;
        while (more && !m_result.stopped) {
            try {
                StoreTransaction batch = m_store.beginTransaction(BatchErrors::kKeep);
                m_stored = 0;
                more = fill(batch);
                if (m_result.cancelled) return; // the batch rolls back as it goes
                if (!m_result.stopped) flush(batch);
                if (m_result.stopped) return;
                batch.commit();
                m_result.stored += m_stored;
                m_result.keptLines = m_result.lines;
                m_progress.stored.store(m_result.stored, std::memory_order_relaxed);
            } catch (const DatabaseError& error) {
                // The batch could not start, or not commit: none of it stays.
                stop(error.what());
            }
        }
        if (!m_result.stopped && m_reader.failed()) {
            stop(std::string("The file could not be read to its end: ") + std::strerror(m_reader.error()));
            m_result.fileFailed = true;
        }
    }

private:
    // Reads and stores lines into `batch` until the batch is full or its time is up (true), or the file ends or the
    // run stops (false).
    bool fill(StoreTransaction& batch) {
        const auto deadline = std::chrono::steady_clock::now() + m_batching.time;
        const std::size_t lines = m_batching.lines > 0 ? m_batching.lines : 1;
        for (std::size_t taken = 0; taken < lines; ++taken) {
            if (m_stop.stop_requested()) {
                m_result.cancelled = true;
                return false;
            }
            if (!m_reader.next(m_line)) return false;
            take(batch);
            m_progress.lines.store(m_result.lines, std::memory_order_relaxed);
            m_progress.bytes.store(m_reader.position(), std::memory_order_relaxed);
            if (m_result.stopped) return false;
            if (std::chrono::steady_clock::now() >= deadline) break;
        }
        return true;
    }

    void take(StoreTransaction& batch) {
        std::string_view text = m_line;
        if (m_result.lines == 0 && text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
            text.remove_prefix(kByteOrderMark.size());
        ++m_result.lines;
        text = trimBlanks(text);
        if (text.empty()) return;
        if (text.size() > kLongestAddress) {
            ++m_result.tooLong;
            return;
        }
        std::string address(text);
        if (!IsValidEmailAddress(address)) {
            ++m_result.invalid;
            return;
        }
        // An address of the file's earlier lines is present too: among the lines still to be checked or
        // inserted, or (since the checks run inside the batch) among the rows this batch has inserted so far.
        if (!m_pendingSet.insert(address).second) {
            ++m_result.repeatedInFile;
            return;
        }
        m_pending.push_back(std::move(address));
        if (m_pending.size() == kRowsPerInsert) checkPending(batch);
        if (!m_result.stopped && m_fresh.size() >= kRowsPerInsert) insertFresh(batch, kRowsPerInsert);
    }

    // At the end of a batch: what is still pending is checked and the new addresses inserted.
    void flush(StoreTransaction& batch) {
        checkPending(batch);
        if (!m_result.stopped) insertFresh(batch, m_fresh.size());
        m_pendingSet.clear();
    }

    // Checks the pending addresses against the group; those it does not hold join the new ones, in the file's
    // order. The batch holds the book's write lock, so checking a hundred at once answers as a check per line
    // would, and costs one statement instead of a hundred (a round trip each on a server).
    void checkPending(StoreTransaction& batch) {
        if (m_pending.empty()) return;
        check(batch);
        if (m_result.stopped) return;
        for (std::size_t i = 0; i < m_pending.size(); ++i) {
            if (m_present[i] == 0)
                m_fresh.push_back(std::move(m_pending[i]));
            else
                ++m_result.alreadyInGroup;
        }
        m_pending.clear();
    }

    // Inserts the first `count` new addresses into the batch, a hundred to a statement.
    void insertFresh(StoreTransaction& batch, std::size_t count) {
        if (count == 0) return;
        const AddressStore::InsertOutcome written =
            m_store.insertAddresses(m_groupId, std::span(m_fresh).first(count), "");
        if (written == AddressStore::InsertOutcome::kInserted) {
            m_stored += count;
        } else if (written == AddressStore::InsertOutcome::kKept) {
            // A batch is whole or nothing. The engine may have ended its transaction (a full disk, an I/O error),
            // or kept it with these rows missing; either way the batch goes, so that the rows in the book stay
            // those of the file's lines up to a point, and a second run stores exactly the rest once the cause is
            // gone.
            return stop(batch.lastFailure());
        }
        m_fresh.erase(m_fresh.begin(), m_fresh.begin() + static_cast<std::ptrdiff_t>(count));
    }

    // Fills m_present with a code for each pending address (nonzero: present).
    void check(StoreTransaction& batch) {
        try {
            m_store.addressesExist(m_groupId, m_pending, m_present);
            return;
        } catch (const DatabaseError& error) {
            if (batch.isBroken()) return stop(error.what());
        }
        // The checks of the piece failed together: ask line by line, so that only the lines whose own check fails
        // count as present. The user hears of the first such error once.
        m_present.assign(m_pending.size(), 1);
        for (std::size_t i = 0; i < m_pending.size(); ++i) {
            try {
                m_present[i] = m_store.AddressExists(m_groupId, m_pending[i]);
            } catch (const DatabaseError& error) {
                if (batch.isBroken()) return stop(error.what());
                note(error.what());
            }
        }
    }

    void note(const std::string& failure) {
        if (m_result.failure.empty()) m_result.failure = failure;
    }

    // The run ends here; what it says is why.
    void stop(const std::string& failure) {
        m_result.stopped = true;
        m_result.failure = failure;
    }

    AddressStore& m_store;
    LineReader& m_reader;
    const RowId m_groupId;
    const ImportBatching& m_batching;
    ImportResult& m_result;
    ImportProgress& m_progress;
    const std::stop_token m_stop;
    std::string m_line;
    // Valid addresses read and not yet checked, then the new ones among them not yet inserted, both handled many
    // to a statement; the set holds both (and some already in the book, which makes no difference).
    std::vector<std::string> m_pending;
    std::vector<std::string> m_fresh;
    std::unordered_set<std::string> m_pendingSet;
    std::vector<int> m_present;
    std::size_t m_stored = 0; // rows the batch in progress has inserted
};

} // namespace

ImportResult importAddresses(AddressStore& store, const std::string& path, RowId groupId,
                             const ImportBatching& batching, ImportProgress* progress, std::stop_token stop) {
    ImportResult result;
    LineReader reader(path);
    if (!reader.isOpen()) return result;
    result.opened = true;
    ImportProgress unwatched;
    ImportProgress& shown = progress ? *progress : unwatched;
    shown.fileSize.store(reader.sizeAtOpen());
    Importer(store, reader, groupId, batching, result, shown, std::move(stop)).run();
    return result;
}
