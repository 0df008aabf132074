// Quorva run-time. Licensed under the MIT licence.
#include "runtime/LadderViewerCommands.h"
#include "runtime/ScreenCommandSupport.h"

#include "platform/Log.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/ShortString.h"
#include "screens/Figure.h"
#include "screens/ScreenGlobals.h"
#include "viewers/LadderRegistry.h"
#include "viewers/LadderViewer.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <initializer_list>

namespace runtime {
namespace screencmd {
namespace {

// Viewers are widgets: only the GUI thread may touch them. Unit code on another thread (a cyclic
// unit on the scan thread) gets nothing done, with one warning in the log.
bool OnGuiThread() {
    static std::atomic<bool> warned{false};
    return screencmd::support::OnGuiThread(
        warned, "the WINLADDER functions run on the screens' thread only; a call "
                "from another thread does nothing");
}

screens::Figure* Figure() {
    return OnGuiThread() ? screens::CurrentFigure() : nullptr;
}

viewers::LadderViewer* CurrentViewer() {
    screens::Figure* figure = Figure();
    return figure != nullptr ? viewers::LadderViewers().Find(*figure) : nullptr;
}

} // namespace

void WinLadder(ShortString ladderName) {
    screens::Figure* figure = Figure();
    if (figure == nullptr) {
        if (OnGuiThread())
            platform::LogWarning("WINLADDER: no current figure to show the diagram in");
        return;
    }
    std::string name = ladderName.Str();
    if (name.find('.') == std::string::npos)
        name += ".lad";
    viewers::LadderViewerRegistry& registry = viewers::LadderViewers();
    viewers::LadderViewer* viewer = registry.FindOrCreate(*figure);
    if (viewer == nullptr) {
        platform::LogWarning("WINLADDER: the figure {} has no window to show a diagram in",
                             figure->Properties().componentName);
        return;
    }
    auto loaded = viewer->LoadFile(name, &registry.MnemonicsList());
    if (!loaded)
        platform::LogWarning("WINLADDER: the diagram is not shown: {}", loaded.Error());
    else if (loaded.Value() == viewers::LadderViewer::LoadOutcome::NoFile)
        platform::LogWarning("WINLADDER: there is no diagram file {}", name);
}

void WinLadderRefresh() {
    if (viewers::LadderViewer* viewer = CurrentViewer())
        viewer->Refresh(screens::Globals().variables);
}

void WinLadderZoomIn() {
    if (viewers::LadderViewer* viewer = CurrentViewer())
        viewer->ZoomIn();
}

void WinLadderZoomOut() {
    if (viewers::LadderViewer* viewer = CurrentViewer())
        viewer->ZoomOut();
}

void WinLadderClear() {
    if (viewers::LadderViewer* viewer = CurrentViewer()) {
        viewer->Clear();
        viewers::LadderViewers().Remove(*viewer);
    }
}

} // namespace screencmd

platform::Status AddLadderViewerCommands(Implementations& implementations) {
    using namespace screencmd;
    for (platform::Status added : {implementations.Add<&WinLadder>("WINLADDER"),
                                   implementations.Add<&WinLadderRefresh>("WINLADDERREFRESH"),
                                   implementations.Add<&WinLadderZoomIn>("WINLADDERZOOMIN"),
                                   implementations.Add<&WinLadderZoomOut>("WINLADDERZOOMOUT"),
                                   implementations.Add<&WinLadderClear>("WINLADDERCLEAR")}) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
