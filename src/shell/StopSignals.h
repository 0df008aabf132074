// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace shell {

// Turns SIGINT and SIGTERM into an orderly end of the run: the handler only writes a byte into
// a pipe; the GUI thread's event loop reads it and calls the stop action, so that the shutdown
// sequence runs as when the main window closes. One per process, made on the GUI thread; the
// default actions come back when it goes.
class StopSignals final : public QObject {
public:
    explicit StopSignals(std::function<void(int signal)> onStop);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    void Drain();

    std::function<void(int)> m_onStop;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace shell
