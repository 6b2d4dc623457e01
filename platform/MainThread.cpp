#include "MainThread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace platform {
namespace {

struct HandOver {
    const std::function<void()>* fn;
    bool done = false;
};

struct Queue {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<HandOver*> pending;
    std::function<void()> wake;
};

Queue& TheQueue() {
    static Queue queue;
    return queue;
}

std::atomic<std::thread::id>& MainId() {
    static std::atomic<std::thread::id> id{std::this_thread::get_id()};
    return id;
}

// Touch the main-thread id during static initialisation, which runs on the
// thread that starts the program.
const bool kMainIdInitialised = (MainId(), true);

}  // namespace

void MarkMainThread() {
    MainId().store(std::this_thread::get_id());
}

bool IsMainThread() {
    return MainId().load() == std::this_thread::get_id();
}

void Synchronize(const std::function<void()>& fn) {
    if (IsMainThread()) {
        fn();
        return;
    }
    Queue& q = TheQueue();
    HandOver item{&fn};
    std::function<void()> wake;
    {
        std::lock_guard guard(q.lock);
        q.pending.push_back(&item);
        wake = q.wake;
    }
    q.changed.notify_all();
    detail::NotifyMainThread();
    if (wake) wake();
    std::unique_lock guard(q.lock);
    q.changed.wait(guard, [&] { return item.done; });
}

void RunPendingHandOvers() {
    Queue& q = TheQueue();
    for (;;) {
        HandOver* item = nullptr;
        {
            std::lock_guard guard(q.lock);
            if (q.pending.empty()) return;
            item = q.pending.front();
            q.pending.pop_front();
        }
        // The worker waits for this; an exception must not leave it blocked.
        struct Release {
            Queue& q;
            HandOver* item;
            ~Release() {
                {
                    std::lock_guard guard(q.lock);
                    item->done = true;
                }
                q.changed.notify_all();
            }
        } release{q, item};
        (*item->fn)();
    }
}

namespace {
std::function<bool(void*)>& Filter() {
    static std::function<bool(void*)> filter;  // main thread only
    return filter;
}
}  // namespace

void SetMessageFilter(std::function<bool(void* message)> filter) {
    Filter() = std::move(filter);
}

bool FilterMessage(void* message) {
    return Filter() && Filter()(message);
}

void SetWakeHook(std::function<void()> hook) {
    Queue& q = TheQueue();
    std::lock_guard guard(q.lock);
    q.wake = std::move(hook);
}

void detail::WaitForHandOver(std::chrono::milliseconds timeout) {
    Queue& q = TheQueue();
    std::unique_lock guard(q.lock);
    q.changed.wait_for(guard, timeout, [&] { return !q.pending.empty(); });
}

void WaitWhileDraining(const std::function<bool()>& done) {
    Queue& q = TheQueue();
    for (;;) {
        RunPendingHandOvers();
        if (done()) return;
        std::unique_lock guard(q.lock);
        q.changed.wait_for(guard, std::chrono::milliseconds(5), [&] { return !q.pending.empty(); });
    }
}

}  // namespace platform
