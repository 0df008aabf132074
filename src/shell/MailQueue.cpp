// Quorva run-time. Licensed under the MIT licence.
#include "platform/Log.h"
#include "shell/MailClient.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace shell {

// Post, Drain and Dropped may be called from any thread; the worker is the only one that sends.
struct MailQueue::State {
    std::size_t capacity;
    MailTimeouts timeouts;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<MailMessage> queue; // guarded by mutex, as are the three below
    bool sending = false;
    bool stopping = false;
    std::size_t dropped = 0;
    std::thread worker;

    void Run() {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return stopping || !queue.empty(); });
            if (stopping)
                return;
            MailMessage message = std::move(queue.front());
            queue.pop_front();
            sending = true;
            lock.unlock();
            const std::string error = SendMail(message, timeouts);
            if (!error.empty())
                platform::LogWarning("mail to {} through {} not sent: {}", message.recipients,
                                     message.server, error);
            lock.lock();
            sending = false;
            changed.notify_all();
        }
    }
};

MailQueue::MailQueue(std::size_t capacity, MailTimeouts timeouts)
    : m_state(std::make_unique<State>()) {
    m_state->capacity = capacity == 0 ? 1 : capacity;
    m_state->timeouts = timeouts;
    m_state->worker = std::thread([state = m_state.get()] { state->Run(); });
}

MailQueue::~MailQueue() {
    std::size_t discarded = 0;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
        discarded = m_state->queue.size();
        m_state->queue.clear();
    }
    m_state->changed.notify_all();
    if (discarded > 0)
        platform::LogWarning("mail: {} queued messages not sent at shutdown", discarded);
    m_state->worker.join();
}

bool MailQueue::Post(MailMessage message) {
    std::size_t waiting = 0;
    {
        std::lock_guard lock(m_state->mutex);
        if (m_state->queue.size() < m_state->capacity) {
            m_state->queue.push_back(std::move(message));
            m_state->changed.notify_all();
            return true;
        }
        ++m_state->dropped;
        waiting = m_state->queue.size();
    }
    platform::LogWarning("mail to {} dropped: {} messages are waiting already", message.recipients,
                         waiting);
    return false;
}

void MailQueue::Drain() {
    std::unique_lock lock(m_state->mutex);
    m_state->changed.wait(lock, [this] { return m_state->queue.empty() && !m_state->sending; });
}

std::size_t MailQueue::Dropped() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->dropped;
}

} // namespace shell
