// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <QPointer>
#include <QWidget>

#include <vector>

#include "screens/LinkModules.h"

namespace screens {

// The media players of the figures: at most one per figure, made by the media module. A player
// goes with its figure. GUI thread.
class MediaPlayers {
public:
    // The figure's player, made when it has none; null when the media module is not available.
    MediaPlayer* Attach(QWidget& figure);
    // The figure's player, or null.
    MediaPlayer* Of(const QWidget* figure) const;
    // The player made or used last that still exists, or null.
    MediaPlayer* Latest() const;
    void Clear() { m_players.clear(); }

private:
    struct Entry {
        QPointer<QWidget> figure;
        QPointer<MediaPlayer> player;
    };
    void Forget(); // drops the entries whose figure or player went
    std::vector<Entry> m_players; // the last is the latest
};

} // namespace screens
