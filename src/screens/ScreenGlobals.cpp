// Quorva run-time. Licensed under the MIT licence.
#include "screens/ScreenGlobals.h"

#include "screens/Figure.h"
#include "screens/ScreenForm.h"
#include "platform/PathMap.h"
#include "shell/Dictionary.h"
#include "shell/Package.h"
#include "shell/Stream.h"

namespace screens {

void ScreenGlobals::Reset()
{
    screenChanged = false;
    package = nullptr;
    dictionary = nullptr;
    boxes = nullptr;
    variables = nullptr;
    alarms = nullptr;
    currentWindow = nullptr;
    currentFigure = nullptr;
    stepText = std::string(kIdleStepText);
    screensReady = true;
    mainWindow = nullptr;
    inactiveWindow = nullptr;
    rememberedIcon = QIcon();
    input.Clear();
    projectDirectory.clear();
    activeObjects.clear();
    screenUnits.Clear();
    menu = MenuSelection{};
    textMessage.clear();
    pictureHandles.Clear();
    mediaPlayers.Clear();
    webBrowsers.Clear();
    dragText.reset();
    droppedText.clear();
    openScreen = nullptr;
    loweredTopmosts.clear();
}

ScreenGlobals& Globals()
{
    static ScreenGlobals globals;
    return globals;
}

std::string DisplayText(std::string_view raw)
{
    shell::Dictionary* dictionary = Globals().dictionary;
    if (dictionary == nullptr)
        return std::string(raw);
    std::string translated = dictionary->Translate(raw);
    return translated.empty() ? std::string(raw) : translated;
}

std::unique_ptr<shell::Stream> OpenProjectFile(std::string_view name)
{
    if (const shell::ProjectPackage* package = Globals().package)
        return package->Open(name);
    return shell::FileStream::Open(platform::HostPath(name));
}

ScreenForm* CurrentWindow()
{
    return Globals().currentWindow.data();
}

Figure* CurrentFigure()
{
    return FigureOf(Globals().currentFigure.data());
}

void SetCurrentWindow(ScreenForm* window)
{
    Globals().currentWindow = window;
}

void SetCurrentFigure(Figure* figure)
{
    Globals().currentFigure = figure != nullptr ? &figure->Widget() : nullptr;
}

void SetStepText(std::string_view text)
{
    Globals().stepText = std::string(text.substr(0, kStepTextLength));
}

CurrentScope::CurrentScope()
    : m_window(Globals().currentWindow), m_figure(Globals().currentFigure)
{
}

CurrentScope::~CurrentScope()
{
    Globals().currentWindow = m_window;
    Globals().currentFigure = m_figure;
}

} // namespace screens
