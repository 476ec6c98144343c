// Tested by tests/gui/NoticeTest.cpp.
#include "ui/BlockingNoticeTarget.h"

#include <chrono>
#include <thread>

#include <QMetaObject>
#include <QObject>
#include <QThread>

// One notice on its way to the window. The notice is copied, so that a worker that stops waiting can leave at once
// without the window ever reading a record that is gone.
struct BlockingNoticeTarget::Delivery {
    enum class State { Pending, Running, Done, Dropped };
    explicit Delivery(const WorkerNotice& n) : notice(n) {}
    WorkerNotice notice;
    // Changed only with the target's lock held; read without it while the sender spins.
    std::atomic<State> state{State::Pending};
};

namespace {

// How long a sender looks for its notice to be done before it sleeps. A window takes a notice up within some
// microseconds when it is idle; sleeping and being woken again would cost more than the notice itself, and a worker
// that sends one notice per line of a big file would spend most of its time on that.
constexpr std::chrono::microseconds kSpinBeforeSleep{200};

} // namespace

BlockingNoticeTarget::BlockingNoticeTarget(QObject* window, Handler handler)
    : m_window(window), m_windowThread(window->thread()), m_handler(std::move(handler)) {}

BlockingNoticeTarget::~BlockingNoticeTarget() = default;

bool BlockingNoticeTarget::send(const WorkerNotice& notice, std::stop_token stop) {
    if (QThread::currentThread() == m_windowThread) {
        // A blocking hand-over to one's own thread would wait for ever; the window's thread handles it at once.
        {
            std::lock_guard lock(m_mutex);
            if (m_closed) return false;
        }
        WorkerNotice copy = notice;
        m_handler(copy);
        return true;
    }

    auto delivery = std::make_shared<Delivery>(notice);
    std::unique_lock lock(m_mutex);
    if (m_closed || !m_window || stop.stop_requested()) return false;
    // While the channel is open the window lives: close() runs on the window's thread before it goes, and takes
    // this lock, so the window cannot go between the check above and the posting below.
    QMetaObject::invokeMethod(
        m_window.data(), [self = shared_from_this(), delivery] { self->deliver(delivery); }, Qt::QueuedConnection);

    lock.unlock();
    const auto spinUntil = std::chrono::steady_clock::now() + kSpinBeforeSleep;
    while (delivery->state.load() != Delivery::State::Done && !m_closedFlag.load() && !stop.stop_requested() &&
           std::chrono::steady_clock::now() < spinUntil)
        std::this_thread::yield();
    lock.lock();

    const bool handled =
        m_changed.wait(lock, stop, [&] { return m_closed || delivery->state == Delivery::State::Done; });
    if (handled) return delivery->state == Delivery::State::Done;
    // Asked to stop. A notice the window has not taken up is dropped; one it is handling right now is finished.
    if (delivery->state == Delivery::State::Pending) {
        delivery->state = Delivery::State::Dropped;
        return false;
    }
    m_changed.wait(lock, [&] { return m_closed || delivery->state == Delivery::State::Done; });
    return delivery->state == Delivery::State::Done;
}

void BlockingNoticeTarget::deliver(const std::shared_ptr<Delivery>& delivery) {
    {
        std::lock_guard lock(m_mutex);
        if (m_closed || delivery->state != Delivery::State::Pending) return;
        delivery->state = Delivery::State::Running;
    }
    m_handler(delivery->notice);
    {
        std::lock_guard lock(m_mutex);
        delivery->state = Delivery::State::Done;
    }
    m_changed.notify_all();
}

void BlockingNoticeTarget::close() {
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_closedFlag.store(true);
    }
    m_changed.notify_all();
}
