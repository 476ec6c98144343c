// The main window: groups on the left, the addresses of the selected group a page at a time in the middle, the
// search box and sponsor links on the right. It runs every store operation of the user's commands and takes the
// notices of the worker threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QFont>
#include <QIcon>

#include "store/RowId.h"
#include "ui/TemplateDialog.h"

class AddressBook;
class AddressStore;
class BlockingNoticeTarget;
class CStaticLink;
class LoaderStarter;
class QMenu;
class ReportList;
struct WorkerNotice;

class CCorvaneDlg final : public TemplateDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCorvaneDlg)

public:
    // The window works on `book` (its store and group cache) for as long as it lives.
    explicit CCorvaneDlg(AddressBook& book);
    ~CCorvaneDlg() override;

    // The handler of every notice the workers send to this window; always on the window's thread.
    int OnWorkerNotice(WorkerNotice& notice);

    // The window menu (the system menu of other desktops): right click on the menu bar, or Alt+Space.
    QMenu* windowMenu() const { return m_windowMenu; }

protected:
    void OnInitDialog() override;
    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Set-up and end.
    void OnDestroy();
    void OnCommand(int id);
    void OnSysCommand(int id);
    void pushFields();

    // Group panel.
    int FillGroupList();
    void OnClickGroups();
    void OnNewGroup();
    void OnDeleteGroup();
    void OnRenameGroup();
    // No group is current any more: the address panel is emptied.
    void forgetCurrentGroup();

    // Address panel and paging.
    void OnPreviousPage();
    void OnNextPage();
    void OnAddAddress();
    void OnDeleteAddress();
    void OnEditAddress();
    void buildPageLabel();

    // Text files.
    void OnImport();
    void OnExport();
    void OnFilter();

    // Loaders.
    int LoadGroupAsync(RowId groupId);
    int ShowPageAsync();

    // Search panel.
    int LoadKeywords();
    void PickKeyword();
    int FillLinkList();
    void OnClickLinks();
    void OnGoogle();
    void OnBaidu();
    void openPage(const std::string& address);
    void startRefreshScheduler();

    AddressBook& m_book;
    AddressStore& m_store;
    QIcon m_hIcon;
    ReportList* m_listGroups;
    ReportList* m_listAddresses;
    ReportList* m_listLinks;
    RowId m_nGroupId = 0; // ids are carried at the database's 64 bits
    std::string m_strGroupName;
    std::int32_t m_nPage = 0;
    std::int32_t m_nLastPage = 0;
    std::int32_t m_nTotal = 0;
    std::string m_strGroupCaption;
    CStaticLink* m_linkMarketing;
    CStaticLink* m_linkSearch;
    CStaticLink* m_linkLatest;
    std::string m_strSearch;
    std::string m_strPageLabel;
    std::vector<std::string> m_pKeywords;
    std::int32_t m_nKeywords = 0;
    std::map<std::int32_t, std::string> m_mapLinks;

    QFont m_captionFont;
    QMenu* m_windowMenu;
    std::shared_ptr<BlockingNoticeTarget> m_noticeTarget;
    std::unique_ptr<LoaderStarter> m_loaders;
    std::jthread m_refreshScheduler;
    // Whether the last refresh stored both tables; read by the scheduler's thread.
    std::shared_ptr<std::atomic<bool>> m_refreshStored = std::make_shared<std::atomic<bool>>(false);
    bool m_databaseOpen = false;
    bool m_destroyed = false;
};
