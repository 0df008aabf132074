// Quorva run-time. Licensed under the MIT licence.
#include "screens/DdeConversations.h"

#include <atomic>

#include <QCoreApplication>

#include "platform/CodePage.h"
#include "platform/Log.h"

namespace screens {
namespace {

class UnavailableDdeConversation final : public DdeConversation {
public:
    bool Open(std::string_view server, std::string_view, std::string_view) override
    {
        static std::atomic<bool> s_told{false};
        if (!s_told.exchange(true))
            platform::LogWarning("DDE is not available on this system: the conversation with "
                                 "server \"{}\" and any later one get no answer",
                                 server);
        return false;
    }
    bool Execute(std::string_view) override { return false; }
    std::optional<std::string> Request(std::string_view, std::string_view) override
    {
        return std::nullopt;
    }
    bool Poke(std::string_view, std::string_view, std::string_view) override { return false; }
    void Close() override {}
};

} // namespace

std::unique_ptr<DdeConversation> MakeUnavailableDdeConversation()
{
    return std::make_unique<UnavailableDdeConversation>();
}

DdeConversationList::~DdeConversationList()
{
    CloseAll();
}

std::string DdeConversationList::Key(std::string_view server)
{
    return platform::UpperAscii(server);
}

DdeConversation& DdeConversationList::Open(std::string_view server, std::string_view topic,
                                           std::string_view item)
{
    std::unique_ptr<DdeConversation>& slot = m_conversations[Key(server)];
    if (slot == nullptr) {
        slot = m_factory ? m_factory() : MakeUnavailableDdeConversation();
        if (slot == nullptr) // a factory that gave nothing
            slot = MakeUnavailableDdeConversation();
        slot->Open(server, topic, item);
    }
    return *slot;
}

DdeConversation* DdeConversationList::Find(std::string_view server) const
{
    const auto found = m_conversations.find(Key(server));
    return found != m_conversations.end() ? found->second.get() : nullptr;
}

void DdeConversationList::Close(std::string_view server)
{
    const auto found = m_conversations.find(Key(server));
    if (found == m_conversations.end())
        return;
    std::unique_ptr<DdeConversation> conversation = std::move(found->second);
    m_conversations.erase(found);
    conversation->Close();
}

void DdeConversationList::CloseAll()
{
    std::map<std::string, std::unique_ptr<DdeConversation>> conversations;
    conversations.swap(m_conversations);
    for (auto& entry : conversations)
        entry.second->Close();
    m_commandServer.clear();
}

bool DdeConversationList::Ending() const
{
    return m_ending || QCoreApplication::closingDown();
}

DdeConversationList& DdeConversations()
{
    static DdeConversationList s_list;
    // When the application quits, every conversation closes at once (the links may not run
    // another cycle).
    static bool s_hooked = false;
    if (!s_hooked && QCoreApplication::instance() != nullptr) {
        s_hooked = true;
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] {
            s_list.SetEnding(true);
            s_list.CloseAll();
        });
    }
    return s_list;
}

} // namespace screens
