// The main window's set-up, end, notices and commands; the panels live in GroupPanel, AddressPanel and SearchPanel.
// Tested by tests/gui/MainWindowTest.cpp.
#include "app/CCorvaneDlg.h"

#include <ctime>
#include <exception>
#include <optional>
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

#include "app/AddressPanel.h"
#include "app/MainWindowIds.h"
#include "app/SearchPanel.h"
#include "app/SearchAddress.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CStaticLink.h"
#include "listdialogs/ListMenu.h"
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
      m_store(book.store()), m_hIcon(QStringLiteral(":/icons/corvane.png")), m_windowMenu(new QMenu(this)) {
    m_noticeTarget =
        std::make_shared<BlockingNoticeTarget>(this, [this](WorkerNotice& notice) { OnWorkerNotice(notice); });
    m_loaders = std::make_unique<LoaderStarter>(m_book, m_noticeTarget);
    m_groups = std::make_unique<GroupPanel>(*this, m_store, static_cast<GroupPanel::Host&>(*this));
    m_addresses = std::make_unique<AddressPanel>(*this, m_store, *m_loaders);
    m_search = std::make_unique<SearchPanel>(*this, m_store);

    // The menu bar's commands, and F10 to reach the menu bar from the keyboard.
    if (QMenuBar* bar = GetMenuBar()) {
        for (QAction* action : bar->findChildren<QAction*>()) {
            if (!action->data().isValid()) continue;
            const int command = action->data().toInt();
            connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
        }
        addListMenu(*bar, *this, m_store, *this);
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

    // The reporter comes after the open: a failed open is told once, below, with the book's name.
    const bool opened = m_store.OpenDatabase(startDirectory());
    QPointer<QWidget> self(this);
    m_store.setErrorReporter([self](const std::string& text) { reportDatabaseError(self, text); });
    if (!opened) {
        // Which book, and why, before the one message every failed open gives; README's help says what to check.
        messageBox(QStringLiteral("无法打开地址簿：%1\n%2").arg(bookName(), fromCp936(m_store.openFailure())), this);
        messageBox(QStringLiteral("数据库连接失败"), this);
        return;
    }
    m_databaseOpen = true;

    m_groups->setUp();
    m_addresses->setUp();
    m_groups->FillGroupList();
    m_search->setUpLinks();
    m_addresses->setUpCaption();
    m_search->setUpKeywords();

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
    // Enter ends the window like its close box, unless a push button has the focus (the button takes it then). In
    // the search box it starts the Baidu search: a search box whose Enter quits the program loses what was typed.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else if (focusWidget() && focusWidget() == GetDlgItem(kSearchBox)) {
            if (auto* baidu = GetDlgItem<QPushButton>(kBaidu)) baidu->click();
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
        m_search->openPage(vendorPage(kMassMailingPage));
        break;
    case kEmailSearchCommand:
        m_search->openPage(vendorPage(kEmailSearchPage));
        break;
    case kHomePageCommand:
        m_search->openPage(vendorPage(kProductPage));
        break;
    case kAboutCommand: {
        CAboutDlg about;
        about.m_strBook = bookForAbout();
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
        about.m_strBook = bookForAbout();
        about.DoModal();
    }
}

QString CCorvaneDlg::bookForAbout() const {
    return m_databaseOpen ? bookName() : QString();
}

QString CCorvaneDlg::bookName() const {
    const std::string& book = m_store.bookDescription();
    // A path starts with "/"; anything else names the data source of a shared book.
    return book.rfind('/', 0) == 0 ? pathForDisplay(book)
                                   : QStringLiteral("数据源 %1").arg(QString::fromStdString(book));
}

void CCorvaneDlg::pushFields() {
    m_addresses->pushFields();
    m_search->pushFields();
}

void CCorvaneDlg::groupChosen(RowId id, const std::string& name) {
    m_addresses->showGroup(id, name);
}

void CCorvaneDlg::groupDeleted(RowId id) {
    m_addresses->forgetGroup(id);
}

RowId CCorvaneDlg::groupOnShow() const {
    return m_addresses->groupOnShow();
}

void CCorvaneDlg::bookChanged() {
    m_groups->FillGroupList();
    const RowId shown = m_addresses->groupOnShow();
    if (shown == 0) return;
    const std::optional<std::string> name = m_groups->selectGroup(shown);
    if (name)
        m_addresses->showGroup(shown, *name);
    else
        m_addresses->forgetGroup(shown); // a list tool deleted it
}

void CCorvaneDlg::showAddress(RowId groupId, RowId addressId) {
    std::optional<AddressStore::AddressPlace> place;
    try {
        place = m_store.addressPlace(addressId);
    } catch (const std::exception& error) {
        messageBox(QStringLiteral("读取数据库失败：\n%1").arg(fromCp936(error.what())), this);
        return;
    }
    const std::optional<std::string> name = place ? m_groups->selectGroup(place->groupId) : std::nullopt;
    if (!place || place->groupId != groupId || !name) {
        messageBox(QStringLiteral("这个地址已经不在组中了。"), this);
        return;
    }
    m_addresses->showAddress(groupId, *name, place->position, addressId);
}

int CCorvaneDlg::OnWorkerNotice(WorkerNotice& notice) {
    switch (notice.nKind) {
    case NK_TICK:
        m_search->tick();
        break;
    case NK_REFRESH:
        // The scheduler stamps the day only for a refresh that stored both tables; any other is tried again soon.
        m_refreshStored->store(m_search->refresh());
        break;
    case NK_FAILED:
        // A read that failed shows as an empty group; the user learns that it is not one.
        messageBox(QStringLiteral("读取数据库失败，列表可能不完整：\n%1").arg(fromCp936(notice.strText)), this);
        break;
    case NK_ITEM:
        m_addresses->takeRow(notice);
        break;
    case NK_TOTAL:
        m_addresses->takeTotal(notice);
        break;
    default:
        break;
    }
    return 0;
}
