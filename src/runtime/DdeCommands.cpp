// Quorva run-time. Licensed under the MIT licence.
#include "runtime/DdeCommands.h"

#include "runtime/RuntimeLibrary.h"
#include "screens/DdeConversations.h"

#include <initializer_list>
#include <optional>
#include <string>

namespace runtime {
namespace screencmd {
namespace {

// The commands' conversation, or null when none is open.
screens::DdeConversation* CommandConversation() {
    screens::DdeConversationList& conversations = screens::DdeConversations();
    if (conversations.CommandServer().empty())
        return nullptr;
    return conversations.Find(conversations.CommandServer());
}

} // namespace

void OpenDde(ShortString server) {
    screens::DdeConversationList& conversations = screens::DdeConversations();
    if (server.Empty())
        return;
    conversations.Open(server.View(), {}, {});
    conversations.SetCommandServer(server.Str());
}

void CloseDde() {
    screens::DdeConversationList& conversations = screens::DdeConversations();
    if (conversations.CommandServer().empty())
        return;
    conversations.Close(conversations.CommandServer());
    conversations.SetCommandServer({});
}

ShortString DdeGetData(ShortString topic, ShortString item) {
    screens::DdeConversation* conversation = CommandConversation();
    if (conversation == nullptr)
        return {};
    const std::optional<std::string> answer = conversation->Request(topic.View(), item.View());
    return answer ? ShortString(*answer) : ShortString();
}

bool DdeSendData(ShortString topic, ShortString item, ShortString value) {
    screens::DdeConversation* conversation = CommandConversation();
    return conversation != nullptr && conversation->Poke(topic.View(), item.View(), value.View());
}

bool DdeSendMacro(ShortString macro) {
    screens::DdeConversation* conversation = CommandConversation();
    return conversation != nullptr && conversation->Execute(macro.View());
}

} // namespace screencmd

platform::Status AddDdeCommands(Implementations& implementations) {
    using namespace screencmd;
    Implementations& in = implementations;
    for (const platform::Status& added : {
             in.Add<&OpenDde>("OPENDDE"),
             in.Add<&CloseDde>("CLOSEDDE"),
             in.Add<&DdeGetData>("DDEGETDATA"),
             in.Add<&DdeSendData>("DDESENDDATA"),
             in.Add<&DdeSendMacro>("DDESENDMACRO"),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
