// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds XSENDEMAIL(Mail From, Mail Dest., Subject, Body (text), SMTP): String. It sends on the
// calling unit's thread and returns when the dialogue is over: the error text of the send, cut
// to 255 characters, or the empty String. The mail timeouts are the client's defaults.
platform::Status AddMailFunctions(Implementations& implementations);

} // namespace runtime
