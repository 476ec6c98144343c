// The main window's set-up, end, notices and commands. The panels' handlers live in GroupPanel.cpp,
// AddressPanel.cpp and SearchPanel.cpp. Tested by tests/gui/MainWindowTest.cpp.
#include "app/CCorvaneDlg.h"

#include <ctime>
#include <iostream>
#include <system_error>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QThread>

#include "app/MainWindowIds.h"
#include "app/SearchAddress.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CStaticLink.h"
#include "platform/StartDirectory.h"
#include "store/AddressBook.h"
#include "ui/BlockingNoticeTarget.h"
#include "ui/ControlText.h"
#include "ui/Cp936Text.h"
#include "ui/DialogUnits.h"
#include "ui/MenuTemplate.h"
#include "ui/ReportList.h"
#include "ui/UserPrompts.h"
#include "textfiles/FilterThreads.h"
#include "workers/LoaderStarter.h"
#include "workers/RefreshScheduler.h"
#include "workers/RefreshStamp.h"
#include "workers/WorkerNotice.h"

using namespace MainWindowIds;

namespace {

constexpr char kProductName[] = "Corvane";
constexpr char kProductVersion[] = "Version 2.1.0 Build 22357";
// The time of the last refresh, in the start directory.
constexpr char kStampFileName[] = "Corvane.tmp";

// Shows the driver's text of a database error that a writing operation met. Only the window's thread may show a
// box; an error met on a worker's thread goes to standard error.
void reportDatabaseError(const QPointer<QWidget>& window, const std::string& text) {
    if (QThread::currentThread() != qApp->thread()) {
        std::cerr << "Corvane: " << text << '\n';
        return;
    }
    messageBox(fromCp936(text), window.data());
}

} // namespace

CCorvaneDlg::CCorvaneDlg(AddressBook& book)
    : TemplateDialog(kTemplate, staticLinks({kMarketingLink, kSearchLink, kLatestLink})), m_book(book),
      m_store(book.store()), m_hIcon(QStringLiteral(":/icons/corvane.png")),
      m_listGroups(GetDlgItem<ReportList>(kGroupList)), m_listAddresses(GetDlgItem<ReportList>(kAddressList)),
      m_listLinks(GetDlgItem<ReportList>(kLinkList)), m_linkMarketing(GetDlgItem<CStaticLink>(kMarketingLink)),
      m_linkSearch(GetDlgItem<CStaticLink>(kSearchLink)), m_linkLatest(GetDlgItem<CStaticLink>(kLatestLink)),
      m_windowMenu(new QMenu(this)) {
    m_noticeTarget =
        std::make_shared<BlockingNoticeTarget>(this, [this](WorkerNotice& notice) { OnWorkerNotice(notice); });
    m_loaders = std::make_unique<LoaderStarter>(m_book, m_noticeTarget);

    // Buttons and lists.
    const std::pair<int, void (CCorvaneDlg::*)()> buttons[] = {
        {kNewGroup, &CCorvaneDlg::OnNewGroup},
        {kDeleteGroup, &CCorvaneDlg::OnDeleteGroup},
        {kRenameGroup, &CCorvaneDlg::OnRenameGroup},
        {kAddAddress, &CCorvaneDlg::OnAddAddress},
        {kDeleteAddress, &CCorvaneDlg::OnDeleteAddress},
        {kEditAddress, &CCorvaneDlg::OnEditAddress},
        {kFilter, &CCorvaneDlg::OnFilter},
        {kImport, &CCorvaneDlg::OnImport},
        {kExport, &CCorvaneDlg::OnExport},
        {kPreviousPage, &CCorvaneDlg::OnPreviousPage},
        {kNextPage, &CCorvaneDlg::OnNextPage},
        {kGoogle, &CCorvaneDlg::OnGoogle},
        {kBaidu, &CCorvaneDlg::OnBaidu},
    };
    for (const auto& [id, handler] : buttons)
        if (auto* button = GetDlgItem<QPushButton>(id)) connect(button, &QPushButton::clicked, this, handler);
    connect(m_listGroups, &ReportList::Clicked, this, &CCorvaneDlg::OnClickGroups);
    connect(m_listAddresses, &ReportList::DoubleClicked, this, &CCorvaneDlg::OnEditAddress);
    connect(m_listLinks, &ReportList::Clicked, this, &CCorvaneDlg::OnClickLinks);

    // The menu bar's commands, and F10 to reach the menu bar from the keyboard.
    if (QMenuBar* bar = GetMenuBar()) {
        for (QAction* action : bar->findChildren<QAction*>()) {
            if (!action->data().isValid()) continue;
            const int command = action->data().toInt();
            connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
        }
        auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
        connect(f10, &QShortcut::activated, this, [bar] {
            if (!bar->actions().isEmpty()) bar->setActiveAction(bar->actions().first());
        });
        // Linux desktops give a dialog no system menu: the window menu opens from the menu bar instead.
        bar->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(bar, &QMenuBar::customContextMenuRequested, this,
                [this, bar](const QPoint& at) { m_windowMenu->popup(bar->mapToGlobal(at)); });
    }
    QAction* close = m_windowMenu->addAction(QStringLiteral("关闭"));
    close->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    connect(close, &QAction::triggered, this, &QWidget::close);
    auto* altSpace = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(altSpace, &QShortcut::activated, this, [this] { m_windowMenu->popup(mapToGlobal(QPoint(0, 0))); });
}

CCorvaneDlg::~CCorvaneDlg() {
    OnDestroy();
}

void CCorvaneDlg::OnInitDialog() {
    const QString about = LoadString(kAboutSystemString);
    if (!about.isEmpty()) {
        m_windowMenu->addSeparator();
        QAction* action = m_windowMenu->addAction(about);
        action->setObjectName(QString::number(kAboutSystemCommand));
        connect(action, &QAction::triggered, this, [this] { OnSysCommand(kAboutSystemCommand); });
    }
    setWindowIcon(m_hIcon);
    setWindowTitle(QStringLiteral("%1 %2").arg(QLatin1String(kProductName), QLatin1String(kProductVersion)));

    QPointer<QWidget> self(this);
    m_store.setErrorReporter([self](const std::string& text) { reportDatabaseError(self, text); });
    if (!m_store.OpenDatabase(startDirectory())) {
        messageBox(QStringLiteral("数据库连接失败"), this);
        return;
    }
    m_databaseOpen = true;

    m_listGroups->SetGridLines(true);
    m_listGroups->InsertColumn(0, QStringLiteral("地址组"), 140);
    m_listAddresses->SetGridLines(true);
    m_listAddresses->InsertColumn(0, QStringLiteral("Email"), 140);
    m_listAddresses->InsertColumn(1, QStringLiteral("姓名"), 90);
    FillGroupList();

    m_linkMarketing->m_link = vendorPage(kMassMailingPage);
    m_linkSearch->m_link = vendorPage(kEmailSearchPage);
    m_linkLatest->m_link = vendorPage(kProductPage);

    m_listLinks->InsertColumn(0, QStringLiteral("Sponsor Links"), 100);
    FillLinkList();

    // A bold sans-serif caption whose character cell is 15 pixels tall.
    m_captionFont = templateFont(QStringLiteral("Arial"), 9);
    m_captionFont.setPixelSize(13);
    m_captionFont.setBold(true);
    if (QWidget* caption = GetDlgItem(kGroupCaption)) {
        caption->setFont(m_captionFont);
        caption->repaint();
    }

    m_strSearch = cp936(QStringLiteral("搜索关键词"));
    LoadKeywords();
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    PickKeyword();

    startRefreshScheduler();
    pushFields();
}

void CCorvaneDlg::startRefreshScheduler() {
    g_bStopRefresh.store(0);
    try {
        m_refreshScheduler = std::jthread([target = m_noticeTarget, stored = m_refreshStored](std::stop_token stop) {
            StampFileEnvironment environment(startDirectoryFile(kStampFileName), [stored] { return stored->load(); });
            RefreshSchedulerThread(*target, environment, stop);
        });
    } catch (const std::system_error& error) {
        // Without it the keywords stay as they are and nothing refreshes; the window works as before.
        std::cerr << "Corvane: cannot start the refresh scheduler: " << error.what() << '\n';
    }
}

void CCorvaneDlg::done(int result) {
    // A filter run whose dialog was closed with Escape goes on alone; ending the program now would cut its output
    // off without a word.
    const std::vector<std::string> unfinished = g_hFilterThread.runningOutputs();
    if (!unfinished.empty()) {
        if (!askYesNo(QStringLiteral("正在处理中，确认退出吗？"), QStringLiteral("确认"), this)) return;
        g_hFilterThread.stopAll();
        QStringList paths;
        for (const std::string& path : unfinished)
            paths << pathForDisplay(path);
        messageBox(QStringLiteral("过滤没有做完就停止了，结果文件不完整：\n%1").arg(paths.join(QLatin1Char('\n'))),
                   this);
    }
    OnDestroy();
    TemplateDialog::done(result);
}

void CCorvaneDlg::OnDestroy() {
    if (m_destroyed) return;
    m_destroyed = true;
    // From here on no worker reaches the window: waiting notices are dropped, the loader ends at once.
    m_noticeTarget->close();
    m_loaders->stop();
    g_bStopRefresh.store(1);
    if (m_refreshScheduler.joinable()) {
        m_refreshScheduler.request_stop();
        m_refreshScheduler.join();
    }
    // A filter run that outlived its dialog ends here, before the book it reads closes.
    g_hFilterThread.stopAll();
    if (m_databaseOpen) m_store.closeDatabase();
    m_store.setErrorReporter(nullptr);
}

void CCorvaneDlg::keyPressEvent(QKeyEvent* event) {
    // Enter ends the window like its close box, unless a push button has the focus (the button takes it then).
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            close();
        }
        return;
    }
    TemplateDialog::keyPressEvent(event);
}

void CCorvaneDlg::OnCommand(int id) {
    switch (id) {
    case kExitCommand:
        close();
        break;
    case kMassMailingCommand:
        openPage(vendorPage(kMassMailingPage));
        break;
    case kEmailSearchCommand:
        openPage(vendorPage(kEmailSearchPage));
        break;
    case kHomePageCommand:
        openPage(vendorPage(kProductPage));
        break;
    case kAboutCommand: {
        CAboutDlg about;
        about.DoModal();
        break;
    }
    default:
        break;
    }
}

void CCorvaneDlg::OnSysCommand(int id) {
    if ((id & 0xFFF0) == kAboutSystemCommand) {
        CAboutDlg about;
        about.DoModal();
    }
}

void CCorvaneDlg::pushFields() {
    setControlText(GetDlgItem(kGroupCaption), m_strGroupCaption);
    setControlText(GetDlgItem(kSearchBox), m_strSearch);
    setControlText(GetDlgItem(kPageLabel), m_strPageLabel);
}

int CCorvaneDlg::OnWorkerNotice(WorkerNotice& notice) {
    switch (notice.nKind) {
    case NK_TICK:
        // Without keywords there is nothing to show: the box keeps whatever it holds, typed text included.
        if (m_nKeywords > 0) {
            PickKeyword();
            pushFields();
        }
        break;
    case NK_REFRESH: {
        using Outcome = AddressStore::RefreshOutcome;
        AddressStore& store = m_store;
        const Outcome links = store.refreshTable(AddressStore::RefreshedTable::kLinks);
        FillLinkList();
        // When the server could not be reached the second download would only hold the window as long again.
        const Outcome keywords = links == Outcome::kDownloadFailed
                                     ? Outcome::kDownloadFailed
                                     : store.refreshTable(AddressStore::RefreshedTable::kSearchKeys);
        LoadKeywords();
        pushFields();
        // The scheduler stamps the day only for a refresh that stored both tables; any other is tried again soon.
        m_refreshStored->store(links == Outcome::kReplaced && keywords == Outcome::kReplaced);
        break;
    }
    case NK_FAILED:
        // A read that failed shows as an empty group; the user learns that it is not one.
        messageBox(QStringLiteral("读取数据库失败，列表可能不完整：\n%1").arg(fromCp936(notice.strText)), this);
        break;
    case NK_ITEM: {
        const int row = m_listAddresses->InsertItem(0, notice.strText);
        m_listAddresses->SetItemData(row, notice.nValue);
        m_listAddresses->SetItemText(row, 1, notice.strName);
        // One paint as soon as the window is idle, which the loader's pause after each row gives it: each row shows
        // as it arrives, without painting the list twice per row.
        m_listAddresses->viewport()->update();
        break;
    }
    case NK_TOTAL:
        m_nLastPage = notice.nLastPage;
        m_nPage = 0;
        m_nTotal = notice.nValue;
        buildPageLabel();
        pushFields();
        break;
    default:
        break;
    }
    return 0;
}

int CCorvaneDlg::LoadGroupAsync(RowId groupId) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_listAddresses->DeleteAllItems();
    m_loaders->startGroupLoader(groupId);
    QApplication::restoreOverrideCursor();
    return 0;
}

int CCorvaneDlg::ShowPageAsync() {
    m_listAddresses->DeleteAllItems();
    m_loaders->startPageLoader(m_nPage);
    return 0;
}
