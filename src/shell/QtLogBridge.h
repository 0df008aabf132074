// Quorva run-time. Licensed under the MIT licence.
#pragma once

namespace shell {

// Sends Qt's own messages into the run-time's log instead of standard error: Qt's warnings at
// info level (they are about the platform, not the project), its critical and fatal messages at
// error level. Call once, before the QApplication is made.
void RouteQtMessagesToLog();

} // namespace shell
