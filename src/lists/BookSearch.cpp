// Tested by tests/lists/BookSearchTest.cpp.
#include "lists/BookSearch.h"

#include <algorithm>
#include <optional>
#include <span>
#include <unordered_map>

#include "lists/LowerEmailIndex.h"
#include "lists/SearchForms.h"
#include "platform/DatabaseError.h"
#include "platform/OdbcRecordSet.h"
#include "store/AddressStore.h"
#include "store/GroupRecord.h"

namespace {

// Rows of the first page of e-mail texts, and of each page after it: the first ones show at once, the rest come in
// pages large enough that a statement's cost does not count.
constexpr std::int32_t kFirstPage = 200;
constexpr std::int32_t kPage = 5000;
// Ids per statement of a reading of the whole book: each statement holds the store for a few tens of milliseconds,
// so other threads get their turns, a stop is seen soon, and a server hands over a bounded result.
constexpr RowId kIdsPerStretch = 100'000;

struct Row {
    RowId id = 0;
    RowId groupId = 0;
    std::string email;
    std::string name;
    std::string key; // lower(email), where the statement gives it
};

std::vector<Row> readRows(AddressStore& store, const std::string& sql, std::span<const SqlParameter> params,
                          bool withKey, const std::stop_token& stop) {
    return store.withConnection([&](OdbcConnection& connection) {
        std::vector<Row> rows;
        OdbcRecordSet records(connection);
        records.open(sql, params);
        for (; !records.isEof() && !stop.stop_requested(); records.moveNext()) {
            Row& row = rows.emplace_back();
            row.id = records.integer("id");
            row.groupId = records.integer("group_id");
            row.email = records.text("email");
            row.name = records.text("name");
            if (withKey) row.key = records.text("k");
        }
        return rows;
    });
}

// The least text greater than every text that starts with `prefix`, where the engine compares bytes; nothing when
// there is none to give. `asciiOnly`: the engine compares characters of another encoding than the program's
// (PostgreSQL's UTF-8), whose order agrees with the bytes' for ASCII alone.
std::optional<std::string> successor(std::string prefix, bool asciiOnly) {
    if (asciiOnly) {
        for (const char c : prefix)
            if (static_cast<unsigned char>(c) >= 0x7F) return std::nullopt;
    }
    while (!prefix.empty() && static_cast<unsigned char>(prefix.back()) == 0xFF)
        prefix.pop_back();
    if (prefix.empty()) return std::nullopt;
    prefix.back() = static_cast<char>(static_cast<unsigned char>(prefix.back()) + 1);
    return prefix;
}

class Search {
public:
    Search(AddressStore& store, std::string_view text, const BookSearchOptions& options, const FoundChunk& onFound,
           BookSearchProgress* progress, std::stop_token stop)
        : m_store(store), m_forms(searchFormsOf(store)), m_options(options), m_onFound(onFound), m_progress(progress),
          m_stop(std::move(stop)), m_needle(foldAsciiLetters(text)), m_sqlNeedle(m_forms.fold(text)) {}

    BookSearchResult run() {
        const LowerEmailIndex index = ensureLowerEmailIndex(m_store, m_progress ? &m_progress->buildingIndex : nullptr);
        m_result.indexMade = index.made;
        std::vector<GroupRecord> groups;
        m_store.LoadGroups(groups);
        for (GroupRecord& group : groups)
            m_groups.emplace(group.id, std::move(group.name));
        if (m_options.match == TextMatch::kContains) {
            scanBook(containsCondition());
        } else {
            searchIndexed("lower(email)", &Search::emailMatchesOnly);
            if (m_options.names && !stopped()) {
                const LowerEmailIndex names =
                    ensureLowerNameIndex(m_store, m_progress ? &m_progress->buildingIndex : nullptr);
                m_result.indexMade = m_result.indexMade || names.made;
                if (names.failure.empty() && m_forms.lowerNameIndexExists)
                    searchIndexed(m_forms.lowerName, &Search::nameMatchesOnly);
                else
                    scanBook(nameCondition());
            }
        }
        m_result.cancelled = m_stop.stop_requested();
        return m_result;
    }

    BookSearchResult& result() { return m_result; }

private:
    bool stopped() const { return m_stop.stop_requested(); }

    bool emailMatches(const Row& row) const {
        return matchesFolded(foldAsciiLetters(row.email), m_needle, m_options.match);
    }
    bool nameMatches(const Row& row) const {
        return m_options.names && matchesFolded(foldAsciiLetters(row.name), m_needle, m_options.match);
    }

    // The rows that the statement gave are a superset of the matches: SQLite's lower() also folds the second bytes
    // of double-byte characters, and its instr() finds a text that starts inside a character. Each row is checked
    // here by whole characters.
    void take(std::vector<Row>& rows, bool (Search::*matches)(const Row&) const) {
        for (Row& row : rows) {
            if (!(this->*matches)(row)) continue;
            const auto group = m_groups.find(row.groupId);
            if (group == m_groups.end()) continue;
            ++m_result.found;
            if (m_result.handedOut < m_options.limit) {
                m_pending.push_back({row.groupId, group->second, row.id, std::move(row.email), std::move(row.name)});
                ++m_result.handedOut;
            }
        }
        if (m_progress) m_progress->found.store(m_result.found);
        if (!m_pending.empty()) {
            m_onFound(m_pending);
            m_pending.clear();
        }
    }

    bool emailMatchesOnly(const Row& row) const { return emailMatches(row); }
    bool eitherMatches(const Row& row) const { return emailMatches(row) || nameMatches(row); }
    // Names after the e-mail texts: a row the e-mail search found already is not found again.
    bool nameMatchesOnly(const Row& row) const { return nameMatches(row) && !emailMatches(row); }

    // The rows whose `column` (a lowered text with an index on it) equals or starts with the text, a page at a time
    // in the index's order, each page going on after the last row of the one before.
    void searchIndexed(const std::string& column, bool (Search::*matches)(const Row&) const) {
        if (m_options.match == TextMatch::kEquals) {
            RowId after = 0;
            for (std::int32_t page = kFirstPage; !stopped(); page = kPage) {
                const SqlParameter params[] = {std::string_view(m_sqlNeedle), after, page};
                std::vector<Row> rows = readRows(m_store,
                                                 "select id, group_id, email, name from AddressList where " + column +
                                                     " = ? and id > ? order by id limit ?",
                                                 params, false, m_stop);
                if (rows.empty()) return;
                after = rows.back().id;
                const bool last = rows.size() < static_cast<std::size_t>(page);
                take(rows, matches);
                if (last) return;
            }
            return;
        }
        const std::optional<std::string> upper = successor(m_sqlNeedle, !m_forms.lowerFoldsBytes);
        std::string from = m_sqlNeedle;
        RowId after = 0;
        for (std::int32_t page = kFirstPage; !stopped(); page = kPage) {
            std::vector<Row> rows;
            if (upper) {
                const SqlParameter params[] = {std::string_view(from), std::string_view(*upper), std::string_view(from),
                                               after, page};
                rows = readRows(m_store,
                                "select id, group_id, email, name, " + column + " as k from AddressList where " +
                                    column + " >= ? and " + column + " < ? and (" + column +
                                    " > ? or id > ?) order by " + column + ", id limit ?",
                                params, true, m_stop);
            } else {
                const SqlParameter params[] = {std::string_view(from), std::string_view(from), after, page};
                rows =
                    readRows(m_store,
                             "select id, group_id, email, name, " + column + " as k from AddressList where " + column +
                                 " >= ? and (" + column + " > ? or id > ?) order by " + column + ", id limit ?",
                             params, true, m_stop);
            }
            bool last = rows.size() < static_cast<std::size_t>(page);
            if (!upper) {
                // Without an upper bound the texts that start with the prefix are the first ones of the range.
                const auto past = std::find_if(rows.begin(), rows.end(), [&](const Row& row) {
                    return row.key.compare(0, m_sqlNeedle.size(), m_sqlNeedle) != 0;
                });
                if (past != rows.end()) {
                    rows.erase(past, rows.end());
                    last = true;
                }
            }
            if (!rows.empty()) {
                from = rows.back().key;
                after = rows.back().id;
            }
            take(rows, matches);
            if (last) return;
        }
    }

    struct Condition {
        std::string sql;
        std::vector<std::string> texts; // bound in order after the ids
        bool (Search::*matches)(const Row&) const;
    };

    Condition containsCondition() const {
        Condition condition{m_forms.positionOf("lower(email)") + " > 0", {m_sqlNeedle}, &Search::eitherMatches};
        if (m_options.names) {
            condition.sql = "(" + condition.sql + " or " + m_forms.positionOf(m_forms.lowerName) + " > 0)";
            condition.texts.push_back(m_sqlNeedle);
        }
        return condition;
    }

    Condition nameCondition() const {
        if (m_options.match == TextMatch::kEquals)
            return {std::string(m_forms.lowerName) + " = ?", {m_sqlNeedle}, &Search::nameMatchesOnly};
        return {m_forms.positionOf(m_forms.lowerName) + " = 1", {m_sqlNeedle}, &Search::nameMatchesOnly};
    }

    // Reads the whole book, a stretch of ids at a time, for the rows that `condition` selects.
    void scanBook(const Condition& condition) {
        const RowId last = m_store.withConnection([](OdbcConnection& connection) {
            OdbcRecordSet records(connection);
            records.open("select max(id) as m from AddressList");
            return records.isEof() ? RowId(0) : records.integer("m");
        });
        const std::string sql =
            "select id, group_id, email, name from AddressList where id > ? and id <= ? and " + condition.sql;
        for (RowId from = 0; from < last && !stopped(); from += kIdsPerStretch) {
            std::vector<SqlParameter> params{from, from + kIdsPerStretch};
            for (const std::string& text : condition.texts)
                params.emplace_back(std::string_view(text));
            std::vector<Row> rows = readRows(m_store, sql, params, false, m_stop);
            take(rows, condition.matches);
            if (m_progress)
                m_progress->percent.store(static_cast<int>(100 * std::min(from + kIdsPerStretch, last) / last));
        }
    }

    AddressStore& m_store;
    const SearchForms& m_forms;
    const BookSearchOptions& m_options;
    const FoundChunk& m_onFound;
    BookSearchProgress* m_progress;
    std::stop_token m_stop;
    std::string m_needle;    // the text folded by characters, as found texts are checked
    std::string m_sqlNeedle; // the text folded as the engine's lower() folds it
    std::unordered_map<RowId, std::string> m_groups;
    std::vector<FoundAddress> m_pending;
    BookSearchResult m_result;
};

} // namespace

BookSearchResult searchBook(AddressStore& store, std::string_view text, const BookSearchOptions& options,
                            const FoundChunk& onFound, BookSearchProgress* progress, std::stop_token stop) {
    BookSearchResult result;
    if (text.empty()) return result;
    std::optional<Search> search;
    try {
        // A text that the database cannot hold (malformed GBK on a server) is in no row.
        const bool storable =
            store.withConnection([&](OdbcConnection& connection) { return connection.canStore(text); });
        if (!storable) return result;
        search.emplace(store, text, options, onFound, progress, stop);
        return search->run();
    } catch (const DatabaseError& error) {
        if (search) result = search->result();
        result.failure = error.message();
        result.cancelled = stop.stop_requested();
        return result;
    }
}
