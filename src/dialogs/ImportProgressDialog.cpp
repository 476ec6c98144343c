// Tested by tests/gui/TextFilesTest.cpp.
#include "dialogs/ImportProgressDialog.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <utility>

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/UserPrompts.h"

namespace {

// A run shorter than this is over before a dialog would be worth showing.
constexpr std::chrono::milliseconds kShowAfter{500};
constexpr std::chrono::milliseconds kRefreshEvery{100};

} // namespace

ImportProgressDialog::ImportProgressDialog(QWidget* parent, const QString& fileName, const ImportProgress& progress,
                                           std::function<void()> requestStop)
    : QDialog(parent), m_progress(progress), m_requestStop(std::move(requestStop)), m_counts(new QLabel(this)),
      m_bar(new QProgressBar(this)), m_stop(new QPushButton(QStringLiteral("停止"), this)) {
    setWindowTitle(QStringLiteral("导入"));
    setModal(true);
    auto* file = new QLabel(QStringLiteral("正在导入 %1").arg(fileName), this);
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_bar->setRange(0, 100);
    m_bar->setMinimumWidth(320);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_stop);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(file);
    layout->addWidget(m_counts);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);
    connect(m_stop, &QPushButton::clicked, this, &ImportProgressDialog::reject);
    m_refresh.setInterval(kRefreshEvery);
    connect(&m_refresh, &QTimer::timeout, this, &ImportProgressDialog::showProgress);
    m_refresh.start();
    showProgress();
}

ImportProgressDialog::~ImportProgressDialog() = default;

void ImportProgressDialog::workerEnded() {
    m_workerEnded = true;
    m_refresh.stop();
    if (isVisible()) accept();
}

void ImportProgressDialog::reject() {
    if (m_workerEnded) return QDialog::reject();
    m_requestStop();
    m_stop->setEnabled(false);
    m_stop->setText(QStringLiteral("正在停止…"));
}

void ImportProgressDialog::showProgress() {
    const std::size_t lines = m_progress.lines.load(std::memory_order_relaxed);
    const std::size_t stored = m_progress.stored.load(std::memory_order_relaxed);
    const std::uint64_t bytes = m_progress.bytes.load(std::memory_order_relaxed);
    const std::uint64_t size = m_progress.fileSize.load(std::memory_order_relaxed);
    m_counts->setText(QStringLiteral("已读 %1 行，已保存 %2 个地址").arg(lines).arg(stored));
    // A file that grows while it is read would pass its size.
    m_bar->setValue(size == 0 ? 0 : static_cast<int>(std::min<std::uint64_t>(bytes, size) * 100 / size));
}

ImportResult importWithProgress(QWidget* parent, AddressStore& store, const std::string& path, RowId groupId) {
    ImportProgress progress;
    ImportResult result;
    std::stop_source stopSource;
    ImportProgressDialog dialog(parent, QFileInfo(pathForDisplay(path)).fileName(), progress,
                                [&stopSource] { stopSource.request_stop(); });
    QEventLoop firstWait;
    std::atomic<bool> ended{false};
    // Declared last, so that it is joined before anything it uses goes.
    std::jthread worker([&] {
        result = importAddresses(store, path, groupId, {}, &progress, stopSource.get_token());
        ended.store(true);
        QMetaObject::invokeMethod(
            &dialog,
            [&] {
                firstWait.quit();
                dialog.workerEnded();
            },
            Qt::QueuedConnection);
    });
    // The window paints and its timers run; a click waits for the end of the run rather than act on a book that is
    // half imported.
    QApplication::setOverrideCursor(Qt::BusyCursor);
    QTimer::singleShot(kShowAfter, &firstWait, &QEventLoop::quit);
    if (!ended.load()) firstWait.exec(QEventLoop::ExcludeUserInputEvents);
    QApplication::restoreOverrideCursor();
    if (!ended.load() && !dialog.hasWorkerEnded()) dialog.exec();
    worker.join();
    return result;
}
