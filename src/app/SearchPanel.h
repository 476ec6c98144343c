// The search panel of the main window: the keywords shown in the search box, the sponsor link list, the three
// captions of the vendor's pages and the web searches. It owns its controls and the keywords and links it shows; the
// window passes it the scheduler's ticks and refreshes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class AddressStore;
class CStaticLink;
class ReportList;
class TemplateDialog;

class SearchPanel final {
public:
    // Takes the controls of `window` (dialog template 102) and reads keywords and links from `store`.
    SearchPanel(TemplateDialog& window, AddressStore& store);
    SearchPanel(const SearchPanel&) = delete;
    SearchPanel& operator=(const SearchPanel&) = delete;

    // The captions' pages, and the link list's column and rows, once the book is open.
    void setUpLinks();
    // The search box's first text: a keyword at random, else "搜索关键词".
    void setUpKeywords();
    // Twenty seconds have passed: another keyword, unless there are none.
    void tick();
    // The daily refresh of the two tables from the update server; whether both were stored.
    bool refresh();
    // Copies the search box's text to its control.
    void pushFields();
    // Opens `address` in the user's browser.
    void openPage(const std::string& address);

    int LoadKeywords();
    void PickKeyword();
    int FillLinkList();

private:
    void OnClickLinks();
    void OnGoogle();
    void OnBaidu();

    TemplateDialog& m_window;
    AddressStore& m_store;
    ReportList* m_listLinks;
    CStaticLink* m_linkMarketing;
    CStaticLink* m_linkSearch;
    CStaticLink* m_linkLatest;
    std::string m_strSearch;
    std::vector<std::string> m_pKeywords;
    std::int32_t m_nKeywords = 0;
    std::map<std::int32_t, std::string> m_mapLinks;
};
