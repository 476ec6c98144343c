// The window's side of the worker notices: each notice is handled on the window's own thread while the worker
// waits, as a synchronous window message would be. Once the window closes the channel, every notice is dropped,
// and no thread touches the window again.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include <QPointer>

#include "workers/NoticeTarget.h"

class QObject;
class QThread;

class BlockingNoticeTarget final : public NoticeTarget, public std::enable_shared_from_this<BlockingNoticeTarget> {
public:
    using Handler = std::function<void(WorkerNotice& notice)>;

    // Notices go to `handler`, on the thread of `window`. Make it with std::make_shared: workers share it.
    BlockingNoticeTarget(QObject* window, Handler handler);
    ~BlockingNoticeTarget() override;
    BlockingNoticeTarget(const BlockingNoticeTarget&) = delete;
    BlockingNoticeTarget& operator=(const BlockingNoticeTarget&) = delete;

    bool send(const WorkerNotice& notice, std::stop_token stop) override;

    // Called on the window's thread before the window goes: waiting workers return at once, and notices already on
    // their way are dropped.
    void close();

private:
    struct Delivery;
    void deliver(const std::shared_ptr<Delivery>& delivery);

    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    bool m_closed = false;
    std::atomic<bool> m_closedFlag{false}; // m_closed, for a sender that looks without the lock
    QPointer<QObject> m_window;
    QThread* m_windowThread;
    Handler m_handler;
};
