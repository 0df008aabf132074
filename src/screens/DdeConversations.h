// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace screens {

// A conversation with a data-exchange server: opened with a server, topic and item, then asked
// to run macros, to give an item's value as text and to take a value for an item. Texts are
// code-page bytes. Failures give false or no answer; the caller leaves its variables unchanged.
class DdeConversation {
public:
    virtual ~DdeConversation() = default;
    virtual bool Open(std::string_view server, std::string_view topic, std::string_view item) = 0;
    virtual bool Execute(std::string_view macro) = 0;
    virtual std::optional<std::string> Request(std::string_view topic, std::string_view item) = 0;
    virtual bool Poke(std::string_view topic, std::string_view item, std::string_view text) = 0;
    virtual void Close() = 0;
};

// This system has no data-exchange service: the only conversation there is logs once per
// process that it is not available, answers no request and fails every other operation.
std::unique_ptr<DdeConversation> MakeUnavailableDdeConversation();

using DdeConversationFactory = std::function<std::unique_ptr<DdeConversation>()>;

// The process-wide conversations, one per server, keyed by the server name upper-cased: every
// user naming a server, in any case of letters, shares its conversation. The commands' own
// conversation (OPENDDE) is one of them. Conversations are closed when they are removed and when
// the list goes. GUI thread only.
class DdeConversationList {
public:
    DdeConversationList() = default;
    ~DdeConversationList();
    DdeConversationList(const DdeConversationList&) = delete;
    DdeConversationList& operator=(const DdeConversationList&) = delete;

    // The conversation of `server`; made and opened with topic and item when there is none.
    DdeConversation& Open(std::string_view server, std::string_view topic, std::string_view item);
    // The conversation of `server`, or null.
    DdeConversation* Find(std::string_view server) const;
    // Closes and removes the conversation of `server`, when there is one.
    void Close(std::string_view server);
    void CloseAll();
    std::size_t Count() const { return m_conversations.size(); }

    // The server the commands talk to (OPENDDE); empty when none.
    const std::string& CommandServer() const { return m_commandServer; }
    void SetCommandServer(std::string server) { m_commandServer = std::move(server); }

    // How new conversations are made; an empty factory restores the system's (tests record).
    void SetFactory(DdeConversationFactory factory) { m_factory = std::move(factory); }

    // Set while the application is ending: the links close their conversations then.
    void SetEnding(bool ending) { m_ending = ending; }
    bool Ending() const;

private:
    static std::string Key(std::string_view server);

    std::map<std::string, std::unique_ptr<DdeConversation>> m_conversations;
    std::string m_commandServer;
    DdeConversationFactory m_factory;
    bool m_ending = false;
};

// The process's list.
DdeConversationList& DdeConversations();

} // namespace screens
