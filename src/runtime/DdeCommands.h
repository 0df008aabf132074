// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "runtime/ShortString.h"

namespace runtime {

class Implementations;

// Binds the DDE commands.
platform::Status AddDdeCommands(Implementations& implementations);

// The DDE commands as plain functions. They talk to one server at a time, through the
// conversation list the screens' DDE links share (screens::DdeConversations): a server a link
// already talks to is the same conversation. Without an open conversation, or without an answer,
// they return the empty String or false. This system has no DDE service, so in the run-time
// every request goes unanswered (logged once). GUI thread only.
namespace screencmd {

// Opens (or joins) the conversation with `server` and makes it the commands' one.
void OpenDde(ShortString server);
// Closes the commands' conversation and removes it from the list.
void CloseDde();
ShortString DdeGetData(ShortString topic, ShortString item);
bool DdeSendData(ShortString topic, ShortString item, ShortString value);
bool DdeSendMacro(ShortString macro);

} // namespace screencmd
} // namespace runtime
