// Quorva run-time. Licensed under the MIT licence.
#include "screens/MediaPlayers.h"

#include <algorithm>

namespace screens {

void MediaPlayers::Forget() {
    std::erase_if(m_players, [](const Entry& entry) { return !entry.figure || !entry.player; });
}

MediaPlayer* MediaPlayers::Attach(QWidget& figure) {
    Forget();
    auto found = std::find_if(m_players.begin(), m_players.end(),
                              [&](const Entry& entry) { return entry.figure == &figure; });
    if (found != m_players.end()) {
        // Used again: it becomes the latest.
        Entry entry = *found;
        m_players.erase(found);
        m_players.push_back(entry);
        return entry.player;
    }
    auto create = reinterpret_cast<MediaPlayerFactory>(
        LinkModuleSymbol("quorva_media", "quorva_create_media_player"));
    if (create == nullptr)
        return nullptr;
    MediaPlayer* player = create(&figure);
    if (player == nullptr)
        return nullptr;
    m_players.push_back({&figure, player});
    return player;
}

MediaPlayer* MediaPlayers::Of(const QWidget* figure) const {
    for (const Entry& entry : m_players)
        if (entry.figure == figure && entry.player)
            return entry.player;
    return nullptr;
}

MediaPlayer* MediaPlayers::Latest() const {
    for (auto entry = m_players.rbegin(); entry != m_players.rend(); ++entry)
        if (entry->figure && entry->player)
            return entry->player;
    return nullptr;
}

} // namespace screens
