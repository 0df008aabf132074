// Quorva run-time. Licensed under the MIT licence.
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

#include "platform/SharedMemory.h"

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Each test process gets its own shared-memory names, so tests may run in parallel and
    // beside a real run-time.
    if (std::getenv("QUORVA_INSTANCE") == nullptr)
        platform::SetInstanceName("test" + std::to_string(::getpid()));
    // As the run-time does, for the web browser module.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
