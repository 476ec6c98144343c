// The main window: groups on the left, the addresses of the selected group a page at a time in the middle, the
// search box and sponsor links on the right, each a panel that owns its controls (GroupPanel, AddressPanel,
// SearchPanel). The window sets them up in order, takes the worker threads' notices and hands each to its panel,
// and ends the program's work when it closes.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include <QIcon>

#include "app/GroupPanel.h"
#include "listdialogs/ListToolsHost.h"
#include "store/RowId.h"
#include "ui/TemplateDialog.h"

class AddressBook;
class AddressPanel;
class AddressStore;
class BlockingNoticeTarget;
class LoaderStarter;
class QMenu;
class SearchPanel;
struct WorkerNotice;

class CCorvaneDlg final : public TemplateDialog, private GroupPanel::Host, public ListToolsHost {
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

    // ListToolsHost
    RowId groupOnShow() const override;
    void bookChanged() override;
    void showAddress(RowId groupId, RowId addressId) override;

protected:
    void OnInitDialog() override;
    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnDestroy();
    void OnCommand(int id);
    void OnSysCommand(int id);
    void pushFields();
    void startRefreshScheduler();
    // The book as the window names it (its file's path, or the data source), and as the About box does.
    QString bookName() const;
    QString bookForAbout() const;

    // GroupPanel::Host
    void groupChosen(RowId id, const std::string& name) override;
    void groupDeleted(RowId id) override;

    AddressBook& m_book;
    AddressStore& m_store;
    QIcon m_hIcon;
    QMenu* m_windowMenu;
    std::shared_ptr<BlockingNoticeTarget> m_noticeTarget;
    std::unique_ptr<LoaderStarter> m_loaders;
    std::unique_ptr<GroupPanel> m_groups;
    std::unique_ptr<AddressPanel> m_addresses;
    std::unique_ptr<SearchPanel> m_search;
    std::jthread m_refreshScheduler;
    // Whether the last refresh stored both tables; read by the scheduler's thread.
    std::shared_ptr<std::atomic<bool>> m_refreshStored = std::make_shared<std::atomic<bool>>(false);
    bool m_databaseOpen = false;
    bool m_destroyed = false;
};
