// Quorva run-time. Licensed under the MIT licence.
#include "screens/ScreenLoader.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "platform/PathMap.h"
#include "screens/ActiveXHostFigure.h"
#include "screens/ClassRegistry.h"
#include "screens/Component.h"
#include "screens/FBase.h"
#include "screens/FigureKind.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/SynScreenReader.h"
#include "screens/TSimple.h"
#include "screens/TVCheckBox.h"
#include "screens/TVComboBox.h"
#include "screens/TVEdit.h"
#include "screens/TVListBox.h"
#include "screens/TVMemo.h"
#include "screens/WindowSetup.h"
#include "screens/WindowShape.h"
#include "shell/MessageBoxes.h"
#include "shell/Package.h"
#include "shell/Stream.h"

namespace screens {

namespace {

std::optional<std::string> ReadWholeFile(const std::string& hostPath)
{
    std::unique_ptr<shell::FileStream> stream = shell::FileStream::Open(hostPath);
    if (!stream)
        return std::nullopt;
    return stream->ReadAll();
}

QWidget* FindNamedChild(QWidget& parent, const QString& name)
{
    for (QObject* child : parent.children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget == nullptr)
            continue;
        // Drawn figures are not windows: nothing is placed on them.
        if (dynamic_cast<FBase*>(widget) == nullptr &&
            widget->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return widget;
        if (QWidget* found = FindNamedChild(*widget, name))
            return found;
    }
    return nullptr;
}

// The figure class a kind builds, made under `parent`.
Figure* MakeFigure(const AttributsFig& record, QWidget* parent)
{
    switch (FigureClassOf(record.kind)) {
    case FigureClass::TracePoint:
    case FigureClass::Extension:
        return new FBase(parent);
    case FigureClass::Edit:
        if (record.multiLine != 0)
            return new TVMemo(parent);
        return new TVEdit(record.editOption, parent);
    case FigureClass::ListBox:
        return new TVListBox(parent);
    case FigureClass::CheckBox:
        return new TVCheckBox(parent);
    case FigureClass::ComboBox:
        return new TVComboBox(parent);
    case FigureClass::Simple:
        return new TSimple(parent);
    case FigureClass::ActiveX:
        return new ActiveXHostFigure(parent);
    case FigureClass::None:
        break;
    }
    return nullptr;
}

void WarnActiveXOnce()
{
    static bool said = false;
    if (!said) {
        said = true;
        platform::LogWarning("ActiveX controls have no equivalent here: their figures stay empty");
    }
}

void ShowError(std::string_view caption, std::string_view text)
{
    if (shell::MessageBoxes* boxes = Globals().boxes)
        boxes->ErrorBox(caption, text);
    else
        platform::LogError("{}: {}", caption, text);
}

} // namespace

std::optional<std::string> FindScreenFile(std::string_view name,
                                          const std::string& projectDirectory)
{
    const std::string file = std::string(name) + ".Syn";
    if (std::unique_ptr<shell::Stream> stream = OpenProjectFile(file))
        return stream->ReadAll();
    if (!projectDirectory.empty()) {
        const std::filesystem::path syno = std::filesystem::path(projectDirectory) / "Syno" / file;
        if (auto bytes = ReadWholeFile(platform::HostPath(syno.string())))
            return bytes;
    }
    return std::nullopt;
}

QWidget* FindContainer(ScreenForm& window, std::string_view name)
{
    if (name.empty())
        return &window.Client();
    return FindNamedChild(window.Client(), QString::fromLatin1(name.data(),
                                                               static_cast<qsizetype>(name.size())));
}

Figure* CreateObject(const SynObject& object, ScreenForm& window, std::string_view screenName)
{
    const AttributsFig& record = object.attributes;
    QWidget* container = FindContainer(window, record.parentName);
    Figure* figure = MakeFigure(record, container != nullptr ? container : &window.Client());
    if (figure == nullptr)
        return nullptr;
    if (record.kind == static_cast<std::uint8_t>(FigureKind::ActiveX))
        WarnActiveXOnce();
    // The control's identity and state stay with its figure for the ActiveX commands.
    if (auto* host = dynamic_cast<ActiveXHostFigure*>(figure))
        host->SetControl(object.activeX.classId, object.activeX.data);

    figure->SetLoading(true);
    figure->SetKind(record.kind);
    figure->Load(record);
    const auto kind = static_cast<FigureKind>(record.kind);
    if (kind == FigureKind::PolyLine || kind == FigureKind::PolyGon) {
        std::vector<QPoint> points;
        points.reserve(object.points.size());
        for (const SynPoint& point : object.points)
            points.emplace_back(point.x, point.y);
        auto* drawn = static_cast<FBase*>(figure);
        drawn->SetPointList(points);
        figure->SetKind(record.kind);
    }
    figure->SetLoading(false);

    figure->SetNames(platform::UpperAscii(record.className), platform::UpperAscii(record.objectName));
    QWidget& widget = figure->Widget();
    if (container == nullptr) {
        platform::LogWarning("screen {}: object {} names the container \"{}\", which the window "
                             "does not have; it is not placed",
                             screenName, record.objectName, record.parentName);
        widget.hide();
        return figure;
    }
    widget.setVisible(figure->Properties().pageLayer == 0 ||
                      figure->Properties().pageLayer == window.CurrentPage());
    if (kind == FigureKind::Bmp && record.DisplayMode() == 2) {
        window.SetShapePicture(record.text);
        ApplyWindowShape(window, record.text);
    }
    return figure;
}

void ChainLinkedFigures(ScreenForm& window)
{
    std::vector<Figure*> figures;
    for (QWidget* widget : window.findChildren<QWidget*>())
        if (Figure* figure = FigureOf(widget))
            figures.push_back(figure);
    auto chain = [&figures](auto keyOf) {
        std::vector<bool> chained(figures.size(), false);
        for (std::size_t i = 0; i < figures.size(); ++i) {
            const auto key = keyOf(*figures[i]);
            if (key == 0 || chained[i])
                continue;
            Figure* end = figures[i];
            for (std::size_t j = i + 1; j < figures.size(); ++j) {
                if (chained[j] || keyOf(*figures[j]) != key)
                    continue;
                end->SetLinkNext(figures[j]);
                figures[j]->SetLinkPrevious(end);
                chained[i] = chained[j] = true;
                end = figures[j];
            }
        }
    };
    chain([](const Figure& f) { return static_cast<std::int32_t>(f.Properties().linkGroup); });
    chain([](const Figure& f) { return f.Properties().secondLinkKey; });
}

bool BuildScreen(std::string_view name, const SynScreen& screen, QPointer<ScreenForm>& window)
{
    ScreenGlobals& globals = Globals();
    const std::string screenName(name);
    globals.screensReady = false;
    if (window == nullptr) {
        window = new ScreenForm;
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        if (globals.mainWindow == nullptr)
            globals.mainWindow = window;
    } else {
        window->SetScreenMenuBar(nullptr);
    }
    SetUpWindow(*window, screen.header, screen.extended);
    window->SetScreenName(platform::UpperAscii(name));
    window->Client();

    SetStepText("Bad File " + screenName + ".syn");
    const int version = screen.header.version;
    for (const SynObject& object : screen.objects) {
        const std::string objectName = object.attributes.objectName;
        SetStepText("Load " + screenName + ".syn " + objectName);
        try {
            Figure* figure = CreateObject(object, *window, screenName);
            if (figure == nullptr)
                continue;
            if (version > 3)
                figure->SetLinkKeys(object.attributes.secondLinkKey, object.attributes.unitName);
            const std::string& className = object.attributes.className;
            if (!className.empty()) {
                const ScreenClassEntry* entry = globals.classes.FindScreenClass(className);
                if (entry == nullptr || !entry->factory) {
                    ShowError(screenName, className + " Not Found");
                    break;
                }
                SetCurrentFigure(figure);
                figure->AttachScreenObject(entry->factory());
                Component* component = figure->ScreenObject();
                component->ReadData(object.classData ? &*object.classData : nullptr);
                if (component->RunEachCycle()) {
                    globals.activeObjects.push_back({&figure->Widget(), window});
                    SetCurrentFigure(figure);
                    SetCurrentWindow(window);
                    SetStepText("RunObj " + screenName + ".syn " + objectName);
                    component->Run();
                } else {
                    SetCurrentWindow(window);
                }
            }
            SetStepText("BadFile " + screenName + ".syn >" + objectName);
        } catch (const std::exception& error) {
            // A class that fails on its data is reported with the step text, which names the
            // screen and the object; the other objects are still built.
            ShowError("Error " + globals.stepText, error.what());
        }
    }
    if (screen.stop.has_value() && screen.stop->kind == SynStopKind::Damaged)
        platform::LogError("screen {}: {}; the objects after it are not built", screenName,
                           screen.stop->message);
    if (window == nullptr) {
        globals.screensReady = true;
        return false;
    }
    FinishWindow(*window, screen.header);
    ChainLinkedFigures(*window);
    globals.screensReady = true;
    SetStepText(kIdleStepText);
    return true;
}

bool LoadScreen(std::string_view name, QPointer<ScreenForm>& window,
                const std::string& projectDirectory)
{
    SetStepText("Load " + std::string(name) + ".syn");
    std::optional<std::string> bytes = FindScreenFile(name, projectDirectory);
    if (!bytes)
        return false;
    platform::Result<SynScreen> screen = ReadScreen(*bytes);
    if (!screen) {
        platform::LogError("screen {}: {}", name, screen.Error());
        return false;
    }
    return BuildScreen(name, screen.Value(), window);
}

} // namespace screens
