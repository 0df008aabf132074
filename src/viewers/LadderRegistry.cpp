// Quorva run-time. Licensed under the MIT licence.
#include "viewers/LadderRegistry.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "screens/Figure.h"
#include "screens/ScreenGlobals.h"
#include "shell/Stream.h"
#include "viewers/LadderViewer.h"

namespace viewers {
namespace {

constexpr std::string_view kMnemonicsFile = "MNEMOS";

std::string KeyOf(const screens::Figure& figure) {
    return platform::UpperAscii(figure.Properties().componentName);
}

} // namespace

LadderViewer* LadderViewerRegistry::Find(screens::Figure& figure) {
    const auto found = m_viewers.find(KeyOf(figure));
    if (found == m_viewers.end())
        return nullptr;
    auto& viewers = found->second;
    std::erase_if(viewers, [](const QPointer<LadderViewer>& viewer) { return viewer.isNull(); });
    for (const QPointer<LadderViewer>& viewer : viewers)
        if (viewer->FigureWidget() == &figure.Widget())
            return viewer.data();
    return nullptr;
}

LadderViewer* LadderViewerRegistry::FindOrCreate(screens::Figure& figure) {
    if (LadderViewer* viewer = Find(figure))
        return viewer;
    LadderViewer* viewer = LadderViewer::CreateInPlaceOf(figure);
    if (viewer == nullptr)
        return nullptr;
    m_viewers[KeyOf(figure)].emplace_back(viewer);
    return viewer;
}

void LadderViewerRegistry::Remove(const LadderViewer& viewer) {
    for (auto& [name, viewers] : m_viewers)
        std::erase_if(viewers, [&viewer](const QPointer<LadderViewer>& held) {
            return held.isNull() || held.data() == &viewer;
        });
    std::erase_if(m_viewers, [](const auto& entry) { return entry.second.empty(); });
}

std::size_t LadderViewerRegistry::Size() const {
    std::size_t count = 0;
    for (const auto& [name, viewers] : m_viewers)
        count += static_cast<std::size_t>(std::count_if(
            viewers.begin(), viewers.end(),
            [](const QPointer<LadderViewer>& viewer) { return !viewer.isNull(); }));
    return count;
}

const Mnemonics& LadderViewerRegistry::MnemonicsList() {
    if (!m_mnemonics) {
        std::unique_ptr<shell::Stream> stream = screens::OpenProjectFile(kMnemonicsFile);
        if (!stream) {
            m_mnemonics = Mnemonics();
        } else {
            if (stream->Size() > Mnemonics::kMaxBytes)
                platform::LogWarning("{}: only the first {} bytes of {} are read", kMnemonicsFile,
                                     Mnemonics::kMaxBytes, stream->Size());
            std::string text(static_cast<std::size_t>(
                                 std::min<std::uint64_t>(stream->Size(), Mnemonics::kMaxBytes)),
                             '\0');
            text.resize(stream->Read(text.data(), text.size()));
            m_mnemonics = Mnemonics::Parse(text);
            platform::LogInfo("{}: {} mnemonics", kMnemonicsFile, m_mnemonics->Size());
        }
    }
    return *m_mnemonics;
}

void LadderViewerRegistry::Reset() {
    m_viewers.clear();
    m_mnemonics.reset();
}

LadderViewerRegistry& LadderViewers() {
    static LadderViewerRegistry registry;
    return registry;
}

} // namespace viewers
