// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Log.h"

#include <QGuiApplication>
#include <QtGlobal>
#include <cstdlib>

namespace fuzzsupport {

// Starts the one Qt application that painting and fonts need, on the offscreen platform, and
// silences the run-time's log and Qt's non-fatal messages so that the fuzzer's output holds only
// its own findings. A fatal Qt message still aborts, which the fuzzer reports. Call once, from
// LLVMFuzzerInitialize; the application lives until the process ends.
inline void StartOffscreenGui(char* program) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    platform::log::SetLevel(platform::LogLevel::Off);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
        if (type == QtFatalMsg)
            std::abort();
    });
    static int argc = 1;
    static char* argv[] = {program, nullptr};
    static QGuiApplication application(argc, argv);
}

} // namespace fuzzsupport
