// Quorva run-time. Licensed under the MIT licence.
#include "runtime/FormInstanceCommands.h"
#include "platform/CpuEngine.h"

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "platform/PathMap.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/ScreenCommandSupport.h"
#include "runtime/ScreenCommands.h"
#include "screens/MenuScript.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenLoader.h"
#include "screens/SynScreenReader.h"
#include "screens/WindowsColour.h"
#include "shell/MessageBoxes.h"
#include "shell/Stream.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace runtime {

namespace screencmd {

namespace {

namespace fs = std::filesystem;

// Screen names are kept to the length the screen-unit registry holds.
constexpr std::size_t kMaxInstanceName = 80;
// A new instance draws itself before the caller goes on, as DISPLAY does.
constexpr int kShowPasses = 50;
constexpr const char* kConfirmationCaption = "Confirmation";

// The screen of monitor number `monitor` (0 = primary, then the others in the display system's
// order), or null when there is no such screen.
QScreen* MonitorScreen(std::int32_t monitor) {
    QScreen* primary = QGuiApplication::primaryScreen();
    if (monitor < 0 || primary == nullptr)
        return nullptr;
    if (monitor == 0)
        return primary;
    std::int32_t number = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen == primary)
            continue;
        if (++number == monitor)
            return screen;
    }
    return nullptr;
}

int ClampCoordinate(long long value) {
    return static_cast<int>(
        std::clamp<long long>(value, support::kMinCoordinate, support::kMaxCoordinate));
}

// Moves the form to `target`, keeping its offset from the origin of the screen it is on.
void MoveToScreen(screens::ScreenForm& form, const QScreen& target) {
    const QScreen* current = form.screen();
    const QPoint origin = current != nullptr ? current->geometry().topLeft() : QPoint();
    const QPoint offset = form.pos() - origin;
    form.move(target.geometry().topLeft() + offset);
}

// Shows a form that exists (restored, raised and activated), with the form as the current
// window while it comes up.
void ShowForm(screens::ScreenForm& form) {
    {
        screens::CurrentScope scope;
        screens::SetCurrentWindow(&form);
        if (form.isMinimized())
            form.showNormal();
        else
            form.show();
    }
    form.raise();
    form.activateWindow();
    for (int pass = 0; pass < kShowPasses; ++pass)
        QCoreApplication::processEvents();
}

// A screen name that can also be a file name in the project directory: no path parts, no
// wildcards, no control characters.
bool IsPlainName(std::string_view name) {
    if (name.empty() || name.size() > kMaxInstanceName)
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || c == '/' || c == '\\' || c == ':' || c == '.' || c == '*' ||
               c == '?' || c == '"' || c == '<' || c == '>' || c == '|';
    });
}

std::optional<std::string> ReadProjectFile(const std::string& name) {
    std::unique_ptr<shell::Stream> stream = screens::OpenProjectFile(name);
    if (!stream)
        return std::nullopt;
    return stream->ReadAll();
}

// The instance's copies of the screen's files in the project directory (the run-time's working
// directory, where the screen opener looks), removed again when this goes. An existing file is
// never replaced: the copy then fails and the project's own file stays.
class InstanceCopies {
public:
    InstanceCopies() = default;
    ~InstanceCopies() {
        for (const fs::path& path : m_written) {
            std::error_code ignored;
            fs::remove(path, ignored);
        }
    }
    InstanceCopies(const InstanceCopies&) = delete;
    InstanceCopies& operator=(const InstanceCopies&) = delete;

    bool Write(const std::string& fileName, const std::string& bytes) {
        const fs::path path = fs::path(platform::CodePageToUtf8(fileName));
        std::error_code error;
        if (fs::exists(platform::HostPath(fileName), error) || fs::exists(path, error)) {
            platform::LogWarning("DUPLICATEFORM: {} exists already and is not replaced", fileName);
            return false;
        }
        std::ofstream out(path, std::ios::binary);
        if (!out) {
            platform::LogWarning("DUPLICATEFORM: {} cannot be created", fileName);
            return false;
        }
        m_written.push_back(path);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            platform::LogWarning("DUPLICATEFORM: {} cannot be written", fileName);
            return false;
        }
        return true;
    }

private:
    std::vector<fs::path> m_written;
};

// Opens the instance through the run-time's screen opener, from copies of the screen's files
// under the instance name: its own window, menu and automatic unit (a unit of its own name, so
// with its own data). The copies go once the screen is built.
bool OpenFromCopies(const std::string& instance, const std::string& screenFile,
                    const std::string& unitFile, const std::optional<std::string>& menuFile) {
    InstanceCopies copies;
    if (!copies.Write(instance + ".Syn", screenFile) ||
        !copies.Write(instance + "_Auto.qru", unitFile) ||
        (menuFile && !copies.Write(instance + ".RC", *menuFile)))
        return false;
    return screens::Globals().openScreen(instance);
}

// Builds the instance's window straight from the screen's data, for a screen without an
// automatic unit (or a run-time without a screen opener): window, figures and the original's
// menu; nothing to register.
bool BuildFromData(const std::string& source, const std::string& instance,
                   const std::string& screenFile, bool hasMenu) {
    platform::Result<screens::SynScreen> screen = screens::ReadScreen(screenFile);
    if (!screen) {
        platform::LogWarning("DUPLICATEFORM: screen {}: {}", source, screen.Error());
        return false;
    }
    QPointer<screens::ScreenForm> window;
    if (!screens::BuildScreen(instance, screen.Value(), window)) {
        delete window.data();
        return false;
    }
    if (hasMenu)
        screens::LoadMenuScript(*window, source + ".RC");
    return true;
}

// Opens the instance `instance` of the screen `source`; false, with the reason logged, when it
// cannot be.
bool OpenInstance(const std::string& source, const std::string& instance) {
    const std::string& directory = screens::Globals().projectDirectory;
    if (screens::FindScreenFile(instance, directory)) {
        platform::LogWarning("DUPLICATEFORM: {} is a screen of the project, not an instance of {}",
                             instance, source);
        return false;
    }
    std::optional<std::string> screenFile = screens::FindScreenFile(source, directory);
    if (!screenFile) {
        platform::LogWarning("DUPLICATEFORM: the project has no screen {}", source);
        return false;
    }
    const std::optional<std::string> unitFile = ReadProjectFile(source + "_Auto.qru");
    const std::optional<std::string> menuFile = ReadProjectFile(source + ".RC");
    if (unitFile && screens::Globals().openScreen)
        return OpenFromCopies(instance, *screenFile, *unitFile, menuFile);
    return BuildFromData(source, instance, *screenFile, menuFile.has_value());
}

} // namespace

void DisplayEx(ShortString formName, std::int32_t monitor) {
    Display(formName);
    screens::ScreenForm* form = support::FindForm(formName.View());
    if (form == nullptr)
        return;
    QScreen* target = MonitorScreen(monitor);
    if (target == nullptr) {
        platform::LogInfo("DISPLAYEX: there is no monitor {}; {} stays where it is", monitor,
                          form->ScreenName());
        return;
    }
    MoveToScreen(*form, *target);
}

void DuplicateForm(ShortString formName, std::int32_t formIndice, std::int32_t monitor,
                   std::int32_t newLeftPos, std::int32_t newTopPos) {
    const std::string source = support::UpperAscii(formName.View());
    if (formIndice < 0) {
        platform::LogWarning("DUPLICATEFORM: instance number {} of {} is negative", formIndice,
                             source);
        return;
    }
    const std::string instance = source + std::to_string(formIndice);
    if (!IsPlainName(source) || !IsPlainName(instance)) {
        platform::LogWarning("DUPLICATEFORM: \"{}\" cannot name a screen instance",
                             platform::CodePageToUtf8(formName.View()));
        return;
    }
    if (screens::ScreenForm* open = support::FindForm(instance)) {
        ShowForm(*open);
        return;
    }
    if (!OpenInstance(source, instance))
        return;
    screens::ScreenForm* form = support::FindForm(instance);
    if (form == nullptr) {
        platform::LogWarning("DUPLICATEFORM: the window of {} could not be made", instance);
        return;
    }
    QScreen* target = MonitorScreen(monitor);
    if (target == nullptr)
        target = QGuiApplication::primaryScreen();
    const QPoint origin = target != nullptr ? target->geometry().topLeft() : QPoint();
    form->move(ClampCoordinate(static_cast<long long>(origin.x()) + newLeftPos),
               ClampCoordinate(static_cast<long long>(origin.y()) + newTopPos));
    ShowForm(*form);
}

bool WinMess(ShortString text) {
    shell::MessageBoxes* boxes = screens::Globals().boxes;
    if (boxes == nullptr) {
        platform::LogWarning("WINMESS: no box can be shown; \"{}\" is answered No",
                             platform::CodePageToUtf8(text.View()));
        return false;
    }
    const std::uint32_t flags =
        shell::mb::YesNo | shell::mb::IconQuestion | shell::mb::DefaultButton2;
    return boxes->MessageBoxTranslated(kConfirmationCaption, text.View(), flags) ==
           shell::answer::Yes;
}

bool GetPaletteColor(Ref<std::int32_t> color) {
    const std::optional<std::int32_t> value = color.Get();
    if (!value) {
        platform::LogWarning("GETPALETTECOLOR: the colour variable cannot be reached");
        return false;
    }
    // Without a display nobody could answer the dialog, and the unit would wait for ever.
    if (screens::Globals().boxes == nullptr ||
        !screens::Globals().boxes->Presenter().CanShowDialogs()) {
        platform::LogWarning("GETPALETTECOLOR: no dialog can be shown here; the colour is kept");
        return false;
    }
    QColor initial = screens::WindowsColour(static_cast<std::uint32_t>(*value));
    initial.setAlpha(255);
    // Qt's own dialog: the same on every desktop, and the one whose custom colours FIRSTCOLORS
    // resets.
    QColorDialog dialog(initial, screens::CurrentWindow());
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    const platform::HostWait wait; // the operator's time is not the calling unit's
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QColor chosen = dialog.selectedColor();
    if (!chosen.isValid())
        return false;
    return color.Set(static_cast<std::int32_t>(screens::ToWindowsColour(chosen)));
}

void FirstColors() {
    for (int index = 0; index < QColorDialog::customCount(); ++index)
        QColorDialog::setCustomColor(index, QColor(Qt::white));
}

} // namespace screencmd

platform::Status AddFormInstanceCommands(Implementations& implementations) {
    using namespace screencmd;
    Implementations& in = implementations;
    for (const platform::Status& added : {
             in.Add<&DisplayEx>("DISPLAYEX"),
             in.Add<&DuplicateForm>("DUPLICATEFORM"),
             in.Add<&WinMess>("WINMESS"),
             in.Add<&GetPaletteColor>("GETPALETTECOLOR"),
             in.Add<&FirstColors>("FIRSTCOLORS"),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
