// The search panel of the main window: the keywords shown in the search box, the sponsor link list and the web
// searches.
// Tested by tests/gui/MainWindowTest.cpp.
#include <cstdlib>
#include <exception>
#include <iostream>
#include <vector>

#include "app/CCorvaneDlg.h"
#include "app/MainWindowIds.h"
#include "app/SearchAddress.h"
#include "platform/WebAddress.h"
#include "store/AddressStore.h"
#include "ui/ControlText.h"
#include "ui/ReportList.h"
#include "ui/UserPrompts.h"

int CCorvaneDlg::LoadKeywords() {
    m_pKeywords.clear();
    m_nKeywords = 0;
    std::vector<std::string> keywords;
    try {
        if (m_store.LoadSearchKeys(keywords) != 0) return 0;
    } catch (const std::exception& error) {
        std::cerr << "Corvane: cannot read the keywords: " << error.what() << '\n';
        return 0;
    }
    m_pKeywords = std::move(keywords);
    m_nKeywords = static_cast<std::int32_t>(m_pKeywords.size());
    return 0;
}

void CCorvaneDlg::PickKeyword() {
    if (m_nKeywords > 0) m_strSearch = m_pKeywords[static_cast<std::size_t>(std::rand() % m_nKeywords)];
}

int CCorvaneDlg::FillLinkList() {
    std::vector<LinkRecord> links;
    try {
        if (m_store.LoadLinks(links) != 0) return 0;
    } catch (const std::exception& error) {
        std::cerr << "Corvane: cannot read the sponsor links: " << error.what() << '\n';
        return 0;
    }
    m_listLinks->DeleteAllItems();
    m_mapLinks.clear();
    for (const LinkRecord& link : links) {
        const int row = m_listLinks->InsertItem(0, link.site);
        m_listLinks->SetItemData(row, link.id);
        m_mapLinks[link.id] = link.url;
    }
    return 0;
}

void CCorvaneDlg::OnClickLinks() {
    const int row = m_listLinks->GetFirstSelectedRow();
    if (row < 0) return;
    const auto link = m_mapLinks.find(static_cast<std::int32_t>(m_listLinks->GetItemData(row)));
    const std::string address = link != m_mapLinks.end() ? link->second : std::string();
    // Sponsor links come from the update server: only plain web pages are opened, never a local file, another
    // scheme or something a browser would take for an option.
    if (!isWebAddress(address)) {
        std::cerr << "Corvane: not opening the sponsor link \"" << address << "\": not a web address\n";
        return;
    }
    openPage(address);
}

void CCorvaneDlg::OnGoogle() {
    if (!pullControlText(GetDlgItem(MainWindowIds::kSearchBox), m_strSearch, this)) return;
    openPage(googleSearchAddress(m_strSearch));
}

void CCorvaneDlg::OnBaidu() {
    if (!pullControlText(GetDlgItem(MainWindowIds::kSearchBox), m_strSearch, this)) return;
    openPage(baiduSearchAddress(m_strSearch));
}

void CCorvaneDlg::openPage(const std::string& address) {
    // Whether the browser came up is not reported: the user sees it or not.
    prompts().openInBrowser(address);
}
