// Quorva run-time. Licensed under the MIT licence.
#include "runtime/GrafcetCommands.h"

#include <atomic>
#include <initializer_list>

#include <QCoreApplication>
#include <QThread>

#include "platform/Log.h"
#include "runtime/RuntimeLibrary.h"
#include "screens/Figure.h"
#include "screens/ScreenGlobals.h"
#include "viewers/GrafcetFile.h"
#include "viewers/GrafcetRegistry.h"
#include "viewers/GrafcetViewer.h"

namespace runtime {
namespace screencmd {
namespace {

// The current figure, when called on the screens' thread; null otherwise, with a warning the
// first time a command is called from another thread. Only WINGRAFCET warns about a missing
// current figure: the others, called each cycle, have nothing to act on then, as without a viewer.
screens::Figure* ViewerFigure(const char* command, bool warnWithoutFigure) {
    const QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() != application->thread()) {
        static std::atomic<bool> warned{false};
        if (!warned.exchange(true))
            platform::LogWarning("{}: the Grafcet viewer commands run on the screens' thread "
                                 "only; a call from another thread does nothing",
                                 command);
        return nullptr;
    }
    screens::Figure* figure = screens::CurrentFigure();
    if (figure == nullptr && warnWithoutFigure)
        platform::LogWarning("{}: no current figure to show a Grafcet chart in", command);
    return figure;
}

viewers::GrafcetViewer* CurrentViewer(const char* command) {
    screens::Figure* figure = ViewerFigure(command, false);
    return figure != nullptr ? viewers::GrafcetViewers().Find(*figure) : nullptr;
}

} // namespace

void WinGrafcet(ShortString name) {
    screens::Figure* figure = ViewerFigure("WINGRAFCET", true);
    if (figure == nullptr)
        return;
    viewers::GrafcetViewer* viewer = viewers::GrafcetViewers().FindOrCreate(*figure);
    // A damaged chart is logged by the viewer, which keeps what it showed.
    (void)viewer->Load(viewers::GrafcetFileName(name.View()));
}

void WinGrafcetRefresh() {
    if (viewers::GrafcetViewer* viewer = CurrentViewer("WINGRAFCETREFRESH"))
        viewer->Refresh();
}

void WinGrafcetZoomIn() {
    if (viewers::GrafcetViewer* viewer = CurrentViewer("WINGRAFCETZOOMIN"))
        viewer->ZoomIn();
}

void WinGrafcetZoomOut() {
    if (viewers::GrafcetViewer* viewer = CurrentViewer("WINGRAFCETZOOMOUT"))
        viewer->ZoomOut();
}

void WinGrafcetClear() {
    if (viewers::GrafcetViewer* viewer = CurrentViewer("WINGRAFCETCLEAR")) {
        viewer->Clear();
        viewers::GrafcetViewers().Remove(*viewer);
    }
}

} // namespace screencmd

platform::Status AddGrafcetCommands(Implementations& implementations) {
    using namespace screencmd;
    Implementations& in = implementations;
    for (const platform::Status& added : {
             in.Add<&WinGrafcet>("WINGRAFCET"),
             in.Add<&WinGrafcetRefresh>("WINGRAFCETREFRESH"),
             in.Add<&WinGrafcetZoomIn>("WINGRAFCETZOOMIN"),
             in.Add<&WinGrafcetZoomOut>("WINGRAFCETZOOMOUT"),
             in.Add<&WinGrafcetClear>("WINGRAFCETCLEAR"),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
