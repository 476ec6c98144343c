// The window's side of the worker notices: handled on the window's thread while the worker waits, dropped once
// the window has closed the channel or the worker has been asked to stop.
#include <atomic>
#include <future>
#include <thread>

#include <QTest>
#include <QThread>

#include "ui/BlockingNoticeTarget.h"

class NoticeTest : public QObject {
    Q_OBJECT

private slots:
    void workerWaitsUntilTheWindowHandledIt() {
        QObject window;
        std::atomic<int> handledOnWindowThread{0};
        std::string seen;
        auto target = std::make_shared<BlockingNoticeTarget>(&window, [&](WorkerNotice& notice) {
            if (QThread::currentThread() == window.thread()) ++handledOnWindowThread;
            seen = notice.strText;
        });
        auto worker = std::async(std::launch::async, [&] {
            WorkerNotice notice;
            notice.nKind = NK_ITEM;
            notice.strText = "a@x";
            return target->send(notice, {});
        });
        // The worker is held until the window's thread runs its events.
        QCOMPARE(worker.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
        QTRY_COMPARE(handledOnWindowThread.load(), 1);
        QVERIFY(worker.get());
        QCOMPARE(seen, std::string("a@x"));

        // From the window's own thread the notice is handled at once, never waited for.
        WorkerNotice own;
        QVERIFY(target->send(own, {}));
        QCOMPARE(handledOnWindowThread.load(), 2);
    }

    void closingReleasesWaitingWorkersAndDropsTheirNotices() {
        QObject window;
        int handled = 0;
        auto target = std::make_shared<BlockingNoticeTarget>(&window, [&](WorkerNotice&) { ++handled; });
        auto worker = std::async(std::launch::async, [&] { return target->send(WorkerNotice{}, {}); });
        QCOMPARE(worker.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
        target->close();
        QCOMPARE(worker.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        QVERIFY(!worker.get());
        QCoreApplication::processEvents(); // the notice already on its way arrives: dropped
        QCOMPARE(handled, 0);
        QVERIFY(!target->send(WorkerNotice{}, {})); // later ones are not even posted
    }

    void aStoppedWorkerLeavesAtOnceAndItsNoticeNeverArrives() {
        int handled = 0;
        std::future<bool> worker;
        std::stop_source stop;
        {
            QObject window;
            auto target = std::make_shared<BlockingNoticeTarget>(&window, [&](WorkerNotice&) { ++handled; });
            worker =
                std::async(std::launch::async, [&, target] { return target->send(WorkerNotice{}, stop.get_token()); });
            QCOMPARE(worker.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
            stop.request_stop();
            QCOMPARE(worker.wait_for(std::chrono::seconds(5)), std::future_status::ready);
            QVERIFY(!worker.get());
            QCoreApplication::processEvents();
            QCOMPARE(handled, 0);
            target->close();
        }
        // The window is gone; the event posted to it went with it.
        QCoreApplication::processEvents();
        QCOMPARE(handled, 0);
    }
};

QTEST_MAIN(NoticeTest)
#include "NoticeTest.moc"
