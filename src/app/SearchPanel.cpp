// Tested by tests/gui/SearchPanelTest.cpp.
#include "app/SearchPanel.h"

#include <cstdlib>
#include <ctime>
#include <exception>
#include <iostream>
#include <vector>

#include <QPushButton>

#include "app/MainWindowIds.h"
#include "app/SearchAddress.h"
#include "dialogs/CStaticLink.h"
#include "platform/WebAddress.h"
#include "store/AddressStore.h"
#include "ui/ControlText.h"
#include "ui/Cp936Text.h"
#include "ui/ReportList.h"
#include "ui/TemplateDialog.h"
#include "ui/UserPrompts.h"

using namespace MainWindowIds;

SearchPanel::SearchPanel(TemplateDialog& window, AddressStore& store)
    : m_window(window), m_store(store), m_listLinks(window.GetDlgItem<ReportList>(kLinkList)),
      m_linkMarketing(window.GetDlgItem<CStaticLink>(kMarketingLink)),
      m_linkSearch(window.GetDlgItem<CStaticLink>(kSearchLink)),
      m_linkLatest(window.GetDlgItem<CStaticLink>(kLatestLink)) {
    if (auto* google = window.GetDlgItem<QPushButton>(kGoogle))
        QObject::connect(google, &QPushButton::clicked, &window, [this] { OnGoogle(); });
    if (auto* baidu = window.GetDlgItem<QPushButton>(kBaidu))
        QObject::connect(baidu, &QPushButton::clicked, &window, [this] { OnBaidu(); });
    QObject::connect(m_listLinks, &ReportList::Clicked, &window, [this] { OnClickLinks(); });
}

void SearchPanel::setUpLinks() {
    m_linkMarketing->m_link = vendorPage(kMassMailingPage);
    m_linkSearch->m_link = vendorPage(kEmailSearchPage);
    m_linkLatest->m_link = vendorPage(kProductPage);
    m_listLinks->InsertColumn(0, QStringLiteral("Sponsor Links"), 100);
    FillLinkList();
}

void SearchPanel::setUpKeywords() {
    m_strSearch = cp936(QStringLiteral("搜索关键词"));
    LoadKeywords();
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    PickKeyword();
}

void SearchPanel::tick() {
    // Without keywords there is nothing to show: the box keeps whatever it holds, typed text included.
    if (m_nKeywords == 0) return;
    PickKeyword();
    pushFields();
}

bool SearchPanel::refresh() {
    using Outcome = AddressStore::RefreshOutcome;
    const Outcome links = m_store.refreshTable(AddressStore::RefreshedTable::kLinks);
    FillLinkList();
    // When the server could not be reached the second download would only hold the window as long again.
    const Outcome keywords = links == Outcome::kDownloadFailed
                                 ? Outcome::kDownloadFailed
                                 : m_store.refreshTable(AddressStore::RefreshedTable::kSearchKeys);
    LoadKeywords();
    pushFields();
    return links == Outcome::kReplaced && keywords == Outcome::kReplaced;
}

void SearchPanel::pushFields() {
    setControlText(m_window.GetDlgItem(kSearchBox), m_strSearch);
}

int SearchPanel::LoadKeywords() {
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

void SearchPanel::PickKeyword() {
    if (m_nKeywords > 0) m_strSearch = m_pKeywords[static_cast<std::size_t>(std::rand() % m_nKeywords)];
}

int SearchPanel::FillLinkList() {
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

void SearchPanel::OnClickLinks() {
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

void SearchPanel::OnGoogle() {
    if (!pullControlText(m_window.GetDlgItem(kSearchBox), m_strSearch, &m_window)) return;
    openPage(googleSearchAddress(m_strSearch));
}

void SearchPanel::OnBaidu() {
    if (!pullControlText(m_window.GetDlgItem(kSearchBox), m_strSearch, &m_window)) return;
    openPage(baiduSearchAddress(m_strSearch));
}

void SearchPanel::openPage(const std::string& address) {
    // Whether the browser came up is not reported: the user sees it or not.
    prompts().openInBrowser(address);
}
