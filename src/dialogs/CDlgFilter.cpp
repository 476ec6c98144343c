// Tested by tests/gui/FilterDialogTest.cpp.
#include "dialogs/CDlgFilter.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>

#include "Config.h"
#include "dialogs/CStaticLink.h"
#include "dialogs/DialogIds.h"
#include "platform/CodePage936.h"
#include "platform/StartDirectory.h"
#include "textfiles/FilterThreads.h"
#include "textfiles/FilterWorker.h"
#include "textfiles/TextFileName.h"
#include "ui/BlockingNoticeTarget.h"
#include "ui/ControlText.h"
#include "ui/Cp936Text.h"
#include "ui/UserPrompts.h"
#include "workers/WorkerNotice.h"

std::shared_ptr<NoticeTarget> g_hFilterWnd;

namespace {

constexpr char kHelpPage[] = "/post/EmailFilter.html";
constexpr int kStatusIntervalMs = 40;

// The line on show, by its start when it is long: a label of a 200 MB line would take the window's memory and
// minutes to lay out.
std::string StatusText(const std::string& line) {
    constexpr std::size_t kShown = 512;
    if (line.size() <= kShown) return line;
    std::size_t end = 0;
    while (end < kShown)
        end += isCp936LeadByte(static_cast<unsigned char>(line[end])) ? 2 : 1;
    if (end > kShown) end -= 2; // never half a character
    return line.substr(0, end) + "...";
}

FileChooser filterChooser() {
    FileChooser chooser;
    chooser.kind = FileChooser::Kind::Open;
    chooser.filter = QStringLiteral("All Files (*.txt);;All Files (*)");
    chooser.folder = startDirectory();
    return chooser;
}

} // namespace

CDlgFilter::CDlgFilter(AddressStore& store)
    : TemplateDialog(FilterIds::kTemplate, staticLinks({FilterIds::kHelpLink})), m_store(store) {
    m_linkHelp = GetDlgItem<CStaticLink>(FilterIds::kHelpLink);
    connect(GetDlgItem<QPushButton>(FilterIds::kBrowseInput), &QPushButton::clicked, this, &CDlgFilter::OnBrowseInput);
    connect(GetDlgItem<QPushButton>(FilterIds::kBrowseOutput), &QPushButton::clicked, this,
            &CDlgFilter::OnBrowseOutput);
    connect(GetDlgItem<QPushButton>(FilterIds::kStart), &QPushButton::clicked, this, &CDlgFilter::OnStart);
    m_noticeTarget =
        std::make_shared<BlockingNoticeTarget>(this, [this](WorkerNotice& notice) { OnFilterNotice(notice); });
    m_statusTimer.setSingleShot(true);
    m_statusTimer.setInterval(kStatusIntervalMs);
    connect(&m_statusTimer, &QTimer::timeout, this, [this] {
        pushFields();
        m_sinceStatusShown.start();
    });
}

CDlgFilter::~CDlgFilter() {
    m_noticeTarget->close();
}

void CDlgFilter::OnInitDialog() {
    m_strGroupLabel = m_strGroupName;
    g_bFilterIdle.store(1);
    m_linkHelp->m_link = std::string(kVendorSite) + kHelpPage;
    g_hFilterWnd = m_noticeTarget;
    pushFields();
}

void CDlgFilter::done(int result) {
    // From here on no run reaches this dialog; a run still going finishes its file alone.
    m_noticeTarget->close();
    if (g_hFilterWnd == m_noticeTarget) g_hFilterWnd.reset();
    TemplateDialog::done(result);
}

void CDlgFilter::pushFields() {
    setControlText(GetDlgItem(FilterIds::kGroupLabel), m_strGroupLabel);
    GetDlgItem<QLineEdit>(FilterIds::kInputPath)->setText(pathForDisplay(m_strInputPath));
    GetDlgItem<QLineEdit>(FilterIds::kOutputPath)->setText(pathForDisplay(m_strOutputPath));
    setControlText(GetDlgItem(FilterIds::kStatus), m_strStatus);
}

void CDlgFilter::OnBrowseInput() {
    const std::optional<std::string> path = prompts().chooseFile(this, filterChooser());
    if (!path) return;
    if (!pathExists(*path)) {
        messageBox(QStringLiteral("%1 不存在存在！").arg(pathForDisplay(*path)), this);
        return;
    }
    m_strInputPath = *path;
    GetDlgItem<QLineEdit>(FilterIds::kInputPath)->setText(pathForDisplay(m_strInputPath));
}

void CDlgFilter::OnBrowseOutput() {
    FileChooser chooser = filterChooser();
    chooser.defaultSuffix = QStringLiteral("txt");
    chooser.initialName = QStringLiteral("*.txt");
    const std::optional<std::string> path = prompts().chooseFile(this, chooser);
    if (!path) return;
    if (pathExists(*path) && !askYesNo(QStringLiteral("%1 已经存在，要替换它吗？").arg(pathForDisplay(*path)),
                                       QStringLiteral("文件覆盖询问"), this))
        return;
    m_strOutputPath = *path;
    GetDlgItem<QLineEdit>(FilterIds::kOutputPath)->setText(pathForDisplay(m_strOutputPath));
}

void CDlgFilter::OnStart() {
    // The paths are set only through the browse buttons; the fields hold them.
    if (m_strInputPath.empty() || m_strOutputPath.empty()) {
        messageBox(QStringLiteral("请先选择文件"), this);
        return;
    }
    if (sameFile(m_strInputPath, m_strOutputPath)) {
        messageBox(QStringLiteral("结果文件就是要过滤的文件，过滤会毁掉它。请另选一个保存结果的文件。"), this);
        return;
    }
    auto* start = GetDlgItem<QPushButton>(FilterIds::kStart);
    start->setEnabled(false);

    g_bFilterArgTaken.store(0);
    auto job = std::make_unique<FilterJob>();
    job->store = &m_store;
    job->nGroupId = m_nGroupId;
    job->strInputPath = m_strInputPath;
    job->strOutputPath = m_strOutputPath;
    job->target = g_hFilterWnd;
    if (!g_hFilterThread.start(job.get())) {
        start->setEnabled(true);
        messageBox(QStringLiteral("无法启动过滤线程，请稍后再试。"), this);
        return;
    }
    while (g_bFilterArgTaken.load() == 0)
        g_bFilterArgTaken.wait(0);
}

int CDlgFilter::OnFilterNotice(WorkerNotice& notice) {
    switch (notice.nKind) {
    case NK_ITEM:
        m_strStatus = StatusText(notice.strText);
        if (!m_sinceStatusShown.isValid() || m_sinceStatusShown.elapsed() >= kStatusIntervalMs) {
            m_statusTimer.stop();
            pushFields();
            m_sinceStatusShown.start();
        } else if (!m_statusTimer.isActive()) {
            m_statusTimer.start(); // the latest line shows when the interval is up
        }
        break;
    case NK_DONE: {
        m_statusTimer.stop();
        GetDlgItem<QPushButton>(FilterIds::kStart)->setEnabled(true);
        // The last line read would pass for a result: the status says that the run is over, and what it wrote.
        if (notice.nValue == kFilterCompleted || notice.nValue == kFilterCheckFailed)
            m_strStatus = cp936(QStringLiteral("完成：结果文件写入了 %1 行").arg(notice.nLastPage));
        pushFields();
        QString failure;
        switch (notice.nValue) {
        case kFilterSameFile:
            failure = QStringLiteral("结果文件就是要过滤的文件，没有过滤：%1").arg(pathForDisplay(notice.strText));
            break;
        case kFilterOutputFailed:
            failure = QStringLiteral("无法写入结果文件：%1").arg(pathForDisplay(notice.strText));
            break;
        case kFilterInputUnreadable:
            failure = QStringLiteral("无法读取要过滤的文件：%1").arg(pathForDisplay(notice.strText));
            break;
        case kFilterInputChanged:
            failure = QStringLiteral("要过滤的文件在处理中被改动或删除了，结果文件不完整：%1")
                          .arg(pathForDisplay(notice.strText));
            break;
        case kFilterCheckFailed:
            failure = QStringLiteral("查询数据库时出错，出错的行没有写入结果文件：%1").arg(fromCp936(notice.strText));
            break;
        default:
            break;
        }
        if (!failure.isEmpty()) messageBox(failure, this);
        break;
    }
    default:
        break;
    }
    return 0;
}

void CDlgFilter::closeEvent(QCloseEvent* event) {
    if (g_bFilterIdle.load() == 1) {
        TemplateDialog::closeEvent(event);
        return;
    }
    if (!askYesNo(QStringLiteral("正在处理中，确认退出吗？"), QStringLiteral("确认"), this)) {
        event->ignore();
        return;
    }
    // The worker stops before its next line; nothing of the store is left held.
    g_hFilterThread.stopLast();
    TemplateDialog::closeEvent(event);
}
