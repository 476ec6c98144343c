// Tested by tests/textfiles/ImportTest.cpp.
#include "textfiles/AddressImport.h"

#include <cstring>
#include <string_view>

#include "platform/DatabaseError.h"
#include "regex/EmailAddress.h"
#include "store/AddressStore.h"
#include "textfiles/LineReader.h"

namespace {

constexpr std::size_t kLongestAddress = 254;
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
                std::size_t stored = 0;
                more = fill(batch, stored);
                if (m_result.stopped) return; // the batch rolls back as it goes
                batch.Commit();
                m_result.stored += stored;
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
    // run stops (false). `stored`: the rows it inserted.
    bool fill(StoreTransaction& batch, std::size_t& stored) {
        const auto deadline = std::chrono::steady_clock::now() + m_batching.time;
        const std::size_t lines = m_batching.lines > 0 ? m_batching.lines : 1;
        for (std::size_t taken = 0; taken < lines; ++taken) {
            if (!m_reader.next(m_line)) return false;
            take(batch, stored);
            if (m_result.stopped) return false;
            if (std::chrono::steady_clock::now() >= deadline) break;
        }
        return true;
    }

    void take(StoreTransaction& batch, std::size_t& stored) {
        std::string_view text = m_line;
        if (m_result.lines == 0 && text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
            text.remove_prefix(kByteOrderMark.size());
        ++m_result.lines;
        text = trimmed(text);
        if (text.empty() || text.size() > kLongestAddress) return;
        m_address.assign(text);
        if (!IsValidEmailAddress(m_address)) return;
        // The check runs inside the batch, so it also finds the rows this batch has inserted so far.
        try {
            if (m_store.AddressExists(m_groupId, m_address) != 0) return;
        } catch (const DatabaseError& error) {
            // The line counts as present; the user hears of the first such error once.
            if (batch.IsBroken()) return stop(error.what());
            note(error.what());
            return;
        }
        const int written = m_store.InsertAddress(m_groupId, m_address, "");
        if (written == 0) {
            ++stored;
        } else if (written == AddressStore::kNotWritten) {
            // A batch is whole or nothing. The engine may have ended its transaction (a full disk, an I/O error),
            // or kept it with this row missing; either way the batch goes, so that the rows in the book stay a
            // prefix of the file's, and a second run stores exactly the rest once the cause is gone.
            stop(batch.LastFailure());
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
    const std::int32_t m_groupId;
    const ImportBatching& m_batching;
    ImportResult& m_result;
    std::string m_line;
    std::string m_address;
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
