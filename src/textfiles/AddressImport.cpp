// Tested by tests/textfiles/ImportTest.cpp.
#include "textfiles/AddressImport.h"

#include <cstring>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/DatabaseError.h"
#include "regex/EmailAddress.h"
#include "store/AddressStore.h"
#include "textfiles/LineReader.h"

namespace {

constexpr std::size_t kLongestAddress = 254;
// New addresses inserted by one statement: a statement costs far more than a row.
constexpr std::size_t kRowsPerInsert = 100;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view trimmed(std::string_view line) {
    constexpr std::string_view kBlank = " \t\n\v\f\r";
    const std::size_t first = line.find_first_not_of(kBlank);
    if (first == std::string_view::npos) return {};
    const std::size_t last = line.find_last_not_of(kBlank);
    return line.substr(first, last - first + 1);
}

class Importer {
public:
    Importer(AddressStore& store, LineReader& reader, std::int32_t groupId, const ImportBatching& batching,
             ImportResult& result)
        : m_store(store), m_reader(reader), m_groupId(groupId), m_batching(batching), m_result(result) {}

    void run() {
        bool more = true;
        while (more && !m_result.stopped) {
            try {
                StoreTransaction batch = m_store.BeginTransaction(BatchErrors::kKeep);
                m_stored = 0;
                more = fill(batch);
                if (!m_result.stopped) flush(batch);
                if (m_result.stopped) return; // the batch rolls back as it goes
                batch.Commit();
                m_result.stored += m_stored;
            } catch (const DatabaseError& error) {
                // The batch could not start, or not commit: none of it stays.
                stop(error.what());
            }
        }
        if (!m_result.stopped && m_reader.failed())
            stop(std::string("The file could not be read to its end: ") + std::strerror(m_reader.error()));
    }

private:
    // Reads and stores lines into `batch` until the batch is full or its time is up (true), or the file ends or the
    // run stops (false).
    bool fill(StoreTransaction& batch) {
        const auto deadline = std::chrono::steady_clock::now() + m_batching.time;
        const std::size_t lines = m_batching.lines > 0 ? m_batching.lines : 1;
        for (std::size_t taken = 0; taken < lines; ++taken) {
            if (!m_reader.next(m_line)) return false;
            take(batch);
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
        text = trimmed(text);
        if (text.empty() || text.size() > kLongestAddress) return;
        std::string address(text);
        if (!IsValidEmailAddress(address)) return;
        // An address of the file's earlier lines is present too: among the rows still to be inserted, or (since
        // the check runs inside the batch) among those this batch has inserted so far.
        if (m_pendingSet.count(address) != 0) return;
        try {
            if (m_store.AddressExists(m_groupId, address) != 0) return;
        } catch (const DatabaseError& error) {
            // The line counts as present; the user hears of the first such error once.
            if (batch.IsBroken()) return stop(error.what());
            note(error.what());
            return;
        }
        m_pendingSet.insert(address);
        m_pending.push_back(std::move(address));
        if (m_pending.size() == kRowsPerInsert) flush(batch);
    }

    // Inserts the pending rows into the batch, in the file's order.
    void flush(StoreTransaction& batch) {
        if (m_pending.empty()) return;
        const int written = m_store.InsertAddresses(m_groupId, m_pending, "");
        if (written == 0) {
            m_stored += m_pending.size();
        } else if (written == AddressStore::kNotWritten) {
            // A batch is whole or nothing. The engine may have ended its transaction (a full disk, an I/O error),
            // or kept it with these rows missing; either way the batch goes, so that the rows in the book stay
            // those of the file's lines up to a point, and a second run stores exactly the rest once the cause is
            // gone.
            stop(batch.LastFailure());
        }
        m_pending.clear();
        m_pendingSet.clear();
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
    const std::int32_t m_groupId;
    const ImportBatching& m_batching;
    ImportResult& m_result;
    std::string m_line;
    // New addresses read since the last insert, inserted many to a statement.
    std::vector<std::string> m_pending;
    std::unordered_set<std::string> m_pendingSet;
    std::size_t m_stored = 0; // rows the batch in progress has inserted
};

} // namespace

ImportResult ImportAddresses(AddressStore& store, const std::string& path, std::int32_t groupId,
                             const ImportBatching& batching) {
    ImportResult result;
    LineReader reader(path);
    if (!reader.isOpen()) return result;
    result.opened = true;
    Importer(store, reader, groupId, batching, result).run();
    return result;
}
