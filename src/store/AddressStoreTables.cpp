// Tested by tests/store/RefreshTest.cpp.
// The store's keyword and link tables, and their refresh from the update server.
#include "store/AddressStore.h"

#include <mutex>

#include "platform/DatabaseError.h"
#include "platform/Transaction.h"
#include "store/DownloadText.h"
#include "store/StoreRows.h"
#include "store/TableRefresh.h"

namespace {

constexpr char kLinksPath[] = "/update/corvane_links.txt";
constexpr char kSearchKeysPath[] = "/update/search_key.txt";

} // namespace

// Keywords and links -------------------------------------------------------------------------------------------

AddressStore::RefreshOutcome AddressStore::refreshTable(RefreshedTable table) {
    const bool links = table == RefreshedTable::kLinks;
    std::string url;
    HttpGetOptions options;
    {
        std::lock_guard lock(m_mutex);
        // Nothing to refresh into; the download would be wasted.
        if (!m_connection.isOpen() && !m_connectionGone) return RefreshOutcome::kNotOpen;
        url = m_updateServer + (links ? kLinksPath : kSearchKeysPath);
        options = m_downloadOptions;
    }
    // The download and the cutting into rows run without the lock: the other threads need not wait for a slow
    // server or a large file.
    DownloadedRecords downloaded = downloadRecords(url, options, links);
    if (downloaded.result == DownloadedRecords::Result::kDownloadFailed) return RefreshOutcome::kDownloadFailed;
    if (downloaded.result == DownloadedRecords::Result::kNotARecordFile) return RefreshOutcome::kNotARecordFile;
    const std::vector<RefreshRow> rows = std::move(downloaded.rows);

    RowReplacement replacement;
    {
        std::lock_guard lock(m_mutex);
        try {
            restoreConnection();
        } catch (const DatabaseError& error) {
            replacement.toReport.push_back(error.what());
        }
        if (replacement.toReport.empty()) {
            if (!m_connection.isOpen()) return RefreshOutcome::kNotOpen;
            replacement = replaceRows(m_connection, links, rows);
        }
    }
    report(replacement.toReport);
    return replacement.replaced ? RefreshOutcome::kReplaced : RefreshOutcome::kNotStored;
}

int AddressStore::RefreshLinks() {
    refreshTable(RefreshedTable::kLinks);
    return 0;
}

int AddressStore::RefreshSearchKeys() {
    refreshTable(RefreshedTable::kSearchKeys);
    return 0;
}

int AddressStore::LoadLinks(std::vector<LinkRecord>& links) {
    std::lock_guard lock(m_mutex);
    restoreConnection();
    if (!m_connection.isOpen()) return 1;
    return readReconnecting([&] {
        links.clear();
        return loadRows(m_connection, "select * from Links order by id", {}, [&](CMyRecordset& row) {
            LinkRecord link;
            link.id = static_cast<std::int32_t>(row.integer("id"));
            link.site = row.text("site");
            link.url = row.text("url");
            links.push_back(std::move(link));
        });
    });
}

int AddressStore::LoadSearchKeys(std::vector<std::string>& keywords) {
    std::lock_guard lock(m_mutex);
    restoreConnection();
    if (!m_connection.isOpen()) return 1;
    return readReconnecting([&] {
        keywords.clear();
        return loadRows(m_connection, "select * from SearchKey order by id", {},
                        [&](CMyRecordset& row) { keywords.push_back(row.text("keyword")); });
    });
}
