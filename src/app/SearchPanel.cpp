// The search panel of the main window: the keywords shown in the search box and the sponsor link list.
// Tested by tests/gui/MainWindowTest.cpp.
#include <cstdlib>
#include <exception>
#include <iostream>
#include <vector>

#include "app/CCorvaneDlg.h"
#include "store/AddressStore.h"
#include "ui/ReportList.h"

int CCorvaneDlg::LoadKeywords() {
    m_pKeywords.clear();
    m_nKeywords = 0;
    std::vector<std::string> keywords;
    try {
        if (AddressStore::instance().LoadSearchKeys(keywords) != 0) return 0;
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
        if (AddressStore::instance().LoadLinks(links) != 0) return 0;
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
