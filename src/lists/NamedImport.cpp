// Tested by tests/lists/NamedImportTest.cpp.
#include "lists/NamedImport.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "lists/ListEntry.h"
#include "lists/FoldedMatch.h"
#include "lists/ListFileReader.h"
#include "lists/RejectedLines.h"
#include "platform/TextConverter.h"
#include "platform/DatabaseError.h"
#include "platform/OdbcConnection.h"
#include "platform/OdbcRecordSet.h"
#include "regex/EmailAddress.h"
#include "store/AddressStore.h"
#include "textfiles/AddressLine.h"

namespace {

// Addresses checked by one statement and new ones inserted by one: a statement costs far more than a row.
constexpr std::size_t kRowsPerStatement = 100;
constexpr std::int64_t kRowsPerPage = 10'000;

// What the records of one batch came to; it counts once the batch is committed.
struct BatchCounts {
    std::size_t records = 0, stored = 0, alreadyInGroup = 0, repeated = 0, invalid = 0, tooLong = 0, refused = 0,
                blank = 0;
};

class NamedImporter {
public:
    NamedImporter(AddressStore& store, ListFileReader& reader, RowId groupId, const NamedImportOptions& options,
                  NamedImportResult& result, NamedImportProgress& progress, std::stop_token stop)
        : m_store(store), m_reader(reader), m_groupId(groupId), m_options(options), m_format(options.format),
          m_result(result), m_progress(progress), m_stop(std::move(stop)), m_toGbk("CP936", "UTF-8"),
          m_rejected(options.rejectedPath, options.format.encoding) {}

    void run() {
        if (m_options.ignoreCase && !loadGroupInLowerCase()) return finish();
        bool more = true;
        while (more && !m_result.stopped && !m_result.cancelled) {
            try {
                StoreTransaction batch = m_store.beginTransaction(BatchErrors::kKeep);
                m_batch = BatchCounts();
                m_seenInBatch.clear();
                more = fill(batch);
                if (!m_result.cancelled && !m_result.stopped) flush(batch);
                if (m_result.cancelled || m_result.stopped) break; // the batch rolls back as it goes
                batch.commit();
                count();
            } catch (const DatabaseError& error) {
                // The batch could not start, or not commit: none of it stays.
                stop(error.what());
            }
        }
        if (m_result.stopped || m_result.cancelled) forgetBatch();
        if (!m_result.stopped && !m_result.cancelled && m_reader.failed())
            stop(std::string("The file could not be read to its end: ") + std::strerror(m_reader.error()));
        finish();
    }

private:
    void finish() {
        m_result.rejectedWritten = m_rejected.finish();
        if (!m_result.rejectedWritten && m_result.failure.empty())
            m_result.failure = std::string("The refused lines could not be written: ") +
                               std::strerror(m_rejected.error() != 0 ? m_rejected.error() : EIO);
    }

    // The group's addresses in lower case, read once before the first batch: the duplicate check of the book is
    // by exact text, from its index, and no index answers for letter case.
    bool loadGroupInLowerCase() {
        try {
            RowId after = 0;
            for (std::size_t rows = kRowsPerPage; rows == kRowsPerPage;) {
                if (m_stop.stop_requested()) {
                    m_result.cancelled = true;
                    return false;
                }
                rows = 0;
                m_store.withConnection([&](OdbcConnection& connection) {
                    // By id from the primary key, as the export reads a group (see GroupExport.cpp).
                    OdbcRecordSet records(connection);
                    records.open("select id, email from AddressList where +group_id = ? and id > ? order by id "
                                 "limit ?",
                                 {m_groupId, after, kRowsPerPage});
                    for (; !records.isEof(); records.moveNext(), ++rows) {
                        after = records.integer("id");
                        m_groupInLowerCase.insert(foldAsciiLetters(records.text("email")));
                    }
                });
            }
            return true;
        } catch (const DatabaseError& error) {
            stop(error.what());
            return false;
        }
    }

    bool fill(StoreTransaction& batch) {
        const auto deadline = std::chrono::steady_clock::now() + m_options.batching.time;
        const std::size_t records = std::max<std::size_t>(m_options.batching.lines, 1);
        for (std::size_t taken = 0; taken < records; ++taken) {
            if (m_stop.stop_requested()) {
                m_result.cancelled = true;
                return false;
            }
            if (!m_reader.next(m_record)) return false;
            take(batch);
            m_progress.bytes.store(m_reader.position(), std::memory_order_relaxed);
            if (m_result.stopped) return false;
            if (std::chrono::steady_clock::now() >= deadline) break;
        }
        return true;
    }

    void reject(std::size_t& counter, std::string_view reason) {
        ++counter;
        m_rejected.add(m_record.line, reason, m_record.original);
    }

    void take(StoreTransaction& batch) {
        m_lastLine = m_record.line;
        if (m_format.header && !m_headerSeen) {
            m_headerSeen = true;
            return;
        }
        ++m_batch.records;
        m_progress.records.fetch_add(1, std::memory_order_relaxed);
        using Problem = ListRecord::Problem;
        if (m_record.problem == Problem::kTooLong) return reject(m_batch.tooLong, "行太长");
        if (m_record.problem == Problem::kUnclosedQuote) return reject(m_batch.invalid, "引号没有闭合");
        if (m_record.problem == Problem::kUndecodable)
            return reject(m_batch.refused, m_format.encoding == ListEncoding::kUtf8 ? "不是有效的UTF-8文字"
                                                                                    : "不是有效的GBK/GB18030文字");
        ListEntry entry = listEntryOf(m_record, m_format);
        if (entry.address.empty()) {
            const bool blank = std::all_of(m_record.fields.begin(), m_record.fields.end(),
                                           [](const std::string& field) { return trimBlanks(field).empty(); });
            if (blank) {
                ++m_batch.blank;
                return;
            }
            return reject(m_batch.invalid, "没有Email地址");
        }
        if (entry.address.size() > kLongestAddress) return reject(m_batch.tooLong, "Email地址超过254字节");
        if (!IsValidEmailAddress(entry.address)) return reject(m_batch.invalid, "Email地址无效");
        std::string name;
        if (!m_toGbk.convert(entry.name, name)) return reject(m_batch.refused, "姓名含有GBK无法表示的字符");
        if (name.size() > kLongestName) return reject(m_batch.refused, "姓名超过1024字节");
        std::string key = m_options.ignoreCase ? foldAsciiLetters(entry.address) : entry.address;
        if (m_seen.count(key) != 0) {
            ++m_batch.repeated;
            return;
        }
        if (m_options.ignoreCase && m_groupInLowerCase.count(key) != 0) {
            ++m_batch.alreadyInGroup;
            m_seenInBatch.push_back(key);
            m_seen.insert(std::move(key));
            return;
        }
        m_seenInBatch.push_back(key);
        m_seen.insert(std::move(key));
        m_pendingEmails.push_back(std::move(entry.address));
        m_pendingNames.push_back(std::move(name));
        if (m_pendingEmails.size() == kRowsPerStatement) checkPending(batch);
        if (!m_result.stopped && m_fresh.size() >= kRowsPerStatement) insertFresh(batch, kRowsPerStatement);
    }

    void flush(StoreTransaction& batch) {
        checkPending(batch);
        if (!m_result.stopped) insertFresh(batch, m_fresh.size());
    }

    // The pending addresses that the group does not hold join the new ones, in the file's order. The batch holds
    // the book's write lock, so a check of a hundred answers as a check of each would.
    void checkPending(StoreTransaction& batch) {
        if (m_pendingEmails.empty()) return;
        try {
            m_store.addressesExist(m_groupId, m_pendingEmails, m_present);
        } catch (const DatabaseError& error) {
            return stop(error.what());
        }
        (void)batch;
        for (std::size_t i = 0; i < m_pendingEmails.size(); ++i) {
            if (m_present[i] != 0)
                ++m_batch.alreadyInGroup;
            else
                m_fresh.push_back({std::move(m_pendingEmails[i]), std::move(m_pendingNames[i])});
        }
        m_pendingEmails.clear();
        m_pendingNames.clear();
    }

    void insertFresh(StoreTransaction& batch, std::size_t count) {
        if (count == 0) return;
        const AddressStore::InsertOutcome written =
            m_store.insertNamedAddresses(m_groupId, std::span(m_fresh).first(count));
        if (written == AddressStore::InsertOutcome::kInserted)
            m_batch.stored += count;
        else if (written == AddressStore::InsertOutcome::kKept)
            return stop(batch.lastFailure());
        else
            return stop("The address book is not open.");
        m_fresh.erase(m_fresh.begin(), m_fresh.begin() + static_cast<std::ptrdiff_t>(count));
    }

    void count() {
        m_result.records += m_batch.records;
        m_result.stored += m_batch.stored;
        m_result.alreadyInGroup += m_batch.alreadyInGroup;
        m_result.repeated += m_batch.repeated;
        m_result.invalid += m_batch.invalid;
        m_result.tooLong += m_batch.tooLong;
        m_result.refused += m_batch.refused;
        m_result.blank += m_batch.blank;
        m_result.keptLine = m_lastLine;
        m_seenInBatch.clear();
        m_rejected.keep();
        m_progress.stored.store(m_result.stored, std::memory_order_relaxed);
    }

    // The batch in progress was rolled back: its addresses were not stored, so a later run must not count them
    // as repeats, and its refused records are not the file's up to keptLine.
    void forgetBatch() {
        for (const std::string& key : m_seenInBatch)
            m_seen.erase(key);
        m_seenInBatch.clear();
        m_pendingEmails.clear();
        m_pendingNames.clear();
        m_fresh.clear();
        m_rejected.drop();
        m_progress.records.store(m_result.records, std::memory_order_relaxed);
    }

    void stop(const std::string& failure) {
        m_result.stopped = true;
        if (m_result.failure.empty()) m_result.failure = failure;
    }

    AddressStore& m_store;
    ListFileReader& m_reader;
    const RowId m_groupId;
    const NamedImportOptions& m_options;
    const ListFileFormat& m_format;
    NamedImportResult& m_result;
    NamedImportProgress& m_progress;
    const std::stop_token m_stop;
    TextConverter m_toGbk;
    RejectedLines m_rejected;
    ListRecord m_record;
    bool m_headerSeen = false;
    std::size_t m_lastLine = 0;
    BatchCounts m_batch;
    // Every address of the file so far (lower case when letter case is ignored), and those of the batch in
    // progress, which go again should it be rolled back.
    std::unordered_set<std::string> m_seen;
    std::vector<std::string> m_seenInBatch;
    std::unordered_set<std::string> m_groupInLowerCase;
    std::vector<std::string> m_pendingEmails;
    std::vector<std::string> m_pendingNames;
    std::vector<AddressStore::NamedAddress> m_fresh;
    std::vector<int> m_present;
};

} // namespace

NamedImportResult importNamedList(AddressStore& store, const std::string& path, RowId groupId,
                                  const NamedImportOptions& options, NamedImportProgress* progress,
                                  std::stop_token stop) {
    NamedImportResult result;
    ListFileReader reader(path, options.format.encoding, options.format.delimiter);
    if (!reader.isOpen()) return result;
    result.opened = true;
    NamedImportProgress unwatched;
    NamedImportProgress& shown = progress ? *progress : unwatched;
    shown.fileSize.store(reader.sizeAtOpen());
    NamedImporter(store, reader, groupId, options, result, shown, std::move(stop)).run();
    return result;
}
