// Quorva run-time. Licensed under the MIT licence.
#include "runtime/MailFunctions.h"
#include "platform/CpuEngine.h"

#include "runtime/RuntimeLibrary.h"
#include "runtime/ShortString.h"
#include "shell/MailClient.h"

namespace runtime {

namespace {

// Each call has its own client and its own error text, so that two units sending at once on
// two threads never see each other's errors.
ShortString XSendEmail(ShortString from, ShortString destination, ShortString subject,
                       ShortString body, ShortString server) {
    shell::MailMessage message;
    message.from = from.Str();
    message.recipients = destination.Str();
    message.subject = subject.Str();
    message.body = body.Str();
    message.server = server.Str();
    // The server's time is not the calling unit's: the send is bounded by its own timeouts.
    const platform::HostWait wait;
    return ShortString(shell::SendMail(message));
}

} // namespace

platform::Status AddMailFunctions(Implementations& implementations) {
    return implementations.Add<&XSendEmail>("XSENDEMAIL");
}

} // namespace runtime
