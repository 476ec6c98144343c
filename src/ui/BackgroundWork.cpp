// Tested by tests/gui/TextFilesTest.cpp.
#include "ui/BackgroundWork.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Work shorter than this is over before a dialog would be worth showing.
constexpr std::chrono::milliseconds kShowAfter{500};
constexpr std::chrono::milliseconds kRefreshEvery{100};

class ProgressDialog final : public QDialog {
public:
    ProgressDialog(QWidget* parent, const BackgroundWork& work, std::stop_source& stop)
        : QDialog(parent), m_work(work), m_stopSource(stop), m_counts(new QLabel(this)), m_bar(new QProgressBar(this)),
          m_stop(new QPushButton(QStringLiteral("停止"), this)) {
        setWindowTitle(work.title);
        setModal(true);
        m_counts->setMinimumWidth(360);
        m_counts->setWordWrap(true);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(m_stop);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(m_counts);
        layout->addWidget(m_bar);
        layout->addLayout(buttons);
        connect(m_stop, &QPushButton::clicked, this, &ProgressDialog::reject);
        m_refresh.setInterval(kRefreshEvery);
        connect(&m_refresh, &QTimer::timeout, this, &ProgressDialog::showProgress);
        m_refresh.start();
        showProgress();
    }

    // The worker has ended: the dialog closes (at once when it is not showing yet).
    void workerEnded() {
        m_workerEnded = true;
        m_refresh.stop();
        if (isVisible()) accept();
    }
    bool hasWorkerEnded() const { return m_workerEnded; }

protected:
    // Escape and the title bar's close button stop the work, as the button does; the dialog closes when it has.
    void reject() override {
        if (m_workerEnded) return QDialog::reject();
        m_stopSource.request_stop();
        m_stop->setEnabled(false);
        m_stop->setText(QStringLiteral("正在停止…"));
    }

private:
    void showProgress() {
        if (m_work.describe) m_counts->setText(m_work.describe());
        const int percent = m_work.percent ? m_work.percent() : -1;
        if (percent < 0) {
            m_bar->setRange(0, 0); // a busy bar
        } else {
            m_bar->setRange(0, 100);
            m_bar->setValue(std::min(percent, 100));
        }
    }

    const BackgroundWork& m_work;
    std::stop_source& m_stopSource;
    QLabel* m_counts;
    QProgressBar* m_bar;
    QPushButton* m_stop;
    QTimer m_refresh;
    bool m_workerEnded = false;
};

} // namespace

void runInBackground(QWidget* parent, const BackgroundWork& work) {
    std::stop_source stopSource;
    ProgressDialog dialog(parent, work, stopSource);
    QEventLoop firstWait;
    std::atomic<bool> ended{false};
    // Declared last, so that it is joined before anything it uses goes.
    std::jthread worker([&] {
        work.run(stopSource.get_token());
        ended.store(true);
        QMetaObject::invokeMethod(
            &dialog,
            [&] {
                firstWait.quit();
                dialog.workerEnded();
            },
            Qt::QueuedConnection);
    });
    QApplication::setOverrideCursor(Qt::BusyCursor);
    QTimer::singleShot(kShowAfter, &firstWait, &QEventLoop::quit);
    if (!ended.load()) firstWait.exec(QEventLoop::ExcludeUserInputEvents);
    QApplication::restoreOverrideCursor();
    if (!ended.load() && !dialog.hasWorkerEnded()) dialog.exec();
    worker.join();
}
