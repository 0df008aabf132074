// Quorva run-time. Licensed under the MIT licence.
#include "shell/StopSignals.h"

#include "platform/Log.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace shell {

namespace {

// The pipe's ends are the process-wide state of signal handling: a handler may touch nothing
// else.
int s_pipe[2] = {-1, -1};

extern "C" void OnStopSignal(int signal) {
    unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] ssize_t written = ::write(s_pipe[1], &byte, 1);
}

void SetAction(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

} // namespace

StopSignals::StopSignals(std::function<void(int)> onStop) : m_onStop(std::move(onStop)) {
    if (::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        platform::LogWarning("cannot catch stop signals: no pipe");
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(s_pipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { Drain(); });
    SetAction(OnStopSignal);
}

StopSignals::~StopSignals() {
    if (s_pipe[0] < 0)
        return;
    SetAction(SIG_DFL);
    m_notifier.reset();
    ::close(s_pipe[0]);
    ::close(s_pipe[1]);
    s_pipe[0] = s_pipe[1] = -1;
}

void StopSignals::Drain() {
    unsigned char byte = 0;
    while (::read(s_pipe[0], &byte, 1) == 1) {
        platform::LogInfo("signal {} received: ending the run", static_cast<int>(byte));
        if (m_onStop)
            m_onStop(byte);
    }
}

} // namespace shell
