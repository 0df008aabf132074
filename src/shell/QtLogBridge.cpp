// Quorva run-time. Licensed under the MIT licence.
#include "shell/QtLogBridge.h"

#include "platform/Log.h"

#include <QtGlobal>
#include <QString>

namespace shell {

namespace {

void ToLog(QtMsgType type, const QMessageLogContext&, const QString& message) {
    const QByteArray text = message.toUtf8();
    switch (type) {
    case QtDebugMsg:
        platform::LogDebug("Qt: {}", text.constData());
        break;
    case QtInfoMsg:
    case QtWarningMsg:
        platform::LogInfo("Qt: {}", text.constData());
        break;
    case QtCriticalMsg:
    case QtFatalMsg:
        platform::LogError("Qt: {}", text.constData());
        break;
    }
}

} // namespace

void RouteQtMessagesToLog() { qInstallMessageHandler(ToLog); }

} // namespace shell
