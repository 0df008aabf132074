// Quorva run-time. Licensed under the MIT licence.
#include "runtime/MediaCommands.h"

#include "platform/Log.h"
#include "platform/PathMap.h"
#include "runtime/RuntimeLibrary.h"
#include "screens/MediaPlayers.h"
#include "screens/ScreenGlobals.h"

#include <algorithm>
#include <initializer_list>
#include <limits>

namespace runtime {
namespace screencmd {
namespace {

// How long opening a medium may take before the command gives up waiting (it goes on loading).
constexpr int kOpenWaitMilliseconds = 3000;
// The step of STEPMEDIA and BACKMEDIA for a medium without pictures.
constexpr qint64 kSoundStepMilliseconds = 100;

screens::MediaPlayer* Player() {
    screens::ScreenGlobals& globals = screens::Globals();
    if (screens::MediaPlayer* own = globals.mediaPlayers.Of(globals.currentFigure.data()))
        return own;
    return globals.mediaPlayers.Latest();
}

void Open(screens::MediaPlayer& player, ShortString name) {
    const std::string path = platform::HostPath(name.View());
    QString error;
    if (!player.Open(QString::fromStdString(path), kOpenWaitMilliseconds, error))
        platform::LogWarning("the medium {} cannot be played: {}", path, error.toStdString());
}

std::int32_t Milliseconds(qint64 value) {
    return static_cast<std::int32_t>(
        std::clamp<qint64>(value, 0, std::numeric_limits<std::int32_t>::max()));
}

qint64 StepOf(const screens::MediaPlayer& player) {
    const qint64 frame = player.FrameMilliseconds();
    return frame > 0 ? frame : kSoundStepMilliseconds;
}

} // namespace

void InitPlayer(ShortString name, bool stretched) {
    QWidget* figure = screens::Globals().currentFigure.data();
    if (figure == nullptr) {
        platform::LogWarning("INITPLAYER: no current figure to show the medium in");
        return;
    }
    screens::MediaPlayer* player = screens::Globals().mediaPlayers.Attach(*figure);
    if (player == nullptr)
        return;
    player->SetStretched(stretched);
    if (!name.Empty())
        Open(*player, name);
}

void NewMedia(ShortString name) {
    if (screens::MediaPlayer* player = Player())
        Open(*player, name);
}

void PlayMedia() {
    if (screens::MediaPlayer* player = Player()) {
        if (player->AtEnd())
            player->Seek(0);
        player->Play();
    }
}

void StopMedia() {
    if (screens::MediaPlayer* player = Player())
        player->Stop();
}

void PauseMedia() {
    if (screens::MediaPlayer* player = Player()) {
        if (player->Playing())
            player->Pause();
        else if (player->Paused())
            player->Play();
    }
}

void PauseOnlyMedia() {
    if (screens::MediaPlayer* player = Player(); player && player->Playing())
        player->Pause();
}

void ResumeMedia() {
    if (screens::MediaPlayer* player = Player();
        player && !player->Playing() && !player->AtEnd() && player->Length() > 0)
        player->Play();
}

void StepMedia() {
    if (screens::MediaPlayer* player = Player()) {
        player->Pause();
        player->Seek(player->Position() + StepOf(*player));
    }
}

void BackMedia() {
    if (screens::MediaPlayer* player = Player()) {
        player->Pause();
        player->Seek(player->Position() - StepOf(*player));
    }
}

void PreviousTrack() {
    if (screens::MediaPlayer* player = Player())
        player->Seek(0);
}

void NextTrack() {
    if (screens::MediaPlayer* player = Player()) {
        player->Stop();
        player->Seek(player->Length());
    }
}

void RewindMedia() {
    if (screens::MediaPlayer* player = Player())
        player->Seek(0);
}

std::int32_t GetPositionMedia() {
    const screens::MediaPlayer* player = Player();
    return player ? Milliseconds(player->Position()) : 0;
}

std::int32_t GetLengthMedia() {
    const screens::MediaPlayer* player = Player();
    return player ? Milliseconds(player->Length()) : 0;
}

bool MediaAtZero() {
    const screens::MediaPlayer* player = Player();
    return player != nullptr && player->Length() > 0 && player->Position() == 0;
}

bool MediaAtEnd() {
    const screens::MediaPlayer* player = Player();
    return player != nullptr && player->AtEnd();
}

bool MediaPlaying() {
    const screens::MediaPlayer* player = Player();
    return player != nullptr && player->Playing();
}

} // namespace screencmd

platform::Status AddMediaCommands(Implementations& implementations) {
    using namespace screencmd;
    Implementations& in = implementations;
    for (const platform::Status& added : {
             in.Add<&InitPlayer>("INITPLAYER"),
             in.Add<&NewMedia>("NEWMEDIA"),
             in.Add<&PlayMedia>("PLAYMEDIA"),
             in.Add<&StopMedia>("STOPMEDIA"),
             in.Add<&PauseMedia>("PAUSEMEDIA"),
             in.Add<&PauseOnlyMedia>("PAUSEONLYMEDIA"),
             in.Add<&ResumeMedia>("RESUMEMEDIA"),
             in.Add<&StepMedia>("STEPMEDIA"),
             in.Add<&BackMedia>("BACKMEDIA"),
             in.Add<&PreviousTrack>("PREVIOUSTRACK"),
             in.Add<&NextTrack>("NEXTTRACK"),
             in.Add<&RewindMedia>("REWINDMEDIA"),
             in.Add<&GetPositionMedia>("GETPOSITIONMEDIA"),
             in.Add<&GetLengthMedia>("GETLENGTHMEDIA"),
             in.Add<&MediaAtZero>("MEDIAATZERO"),
             in.Add<&MediaAtEnd>("MEDIAATEND"),
             in.Add<&MediaPlaying>("MEDIAPLAYING"),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
