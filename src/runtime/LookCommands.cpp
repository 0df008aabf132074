// Quorva run-time. Licensed under the MIT licence.
#include "runtime/LookCommands.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include <QWidget>

#include "runtime/RuntimeLibrary.h"
#include "runtime/ScreenCommandSupport.h"
#include "screens/FBase.h"
#include "screens/FigureFont.h"
#include "screens/FigureKind.h"
#include "screens/PictureFiles.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

namespace runtime {

namespace screencmd {
namespace {

constexpr std::uint8_t kFontStyleBits = screens::kFontBold | screens::kFontItalic |
                                        screens::kFontUnderline | screens::kFontStrikeOut;

screens::FBase* CurrentBmp()
{
    screens::FBase* drawn = support::CurrentDrawn();
    if (drawn == nullptr ||
        drawn->Properties().kind != static_cast<std::uint8_t>(screens::FigureKind::Bmp))
        return nullptr;
    return drawn;
}

// The bytes of a bitmap file; a name without an extension also tries ".Bmp", and `name`
// becomes the name found.
std::optional<std::string> ReadBitmapFile(std::string& name)
{
    if (name.empty())
        return std::nullopt;
    if (std::optional<std::string> bytes = screens::ReadPictureFile(name))
        return bytes;
    const std::size_t slash = name.find_last_of("\\/");
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return std::nullopt;
    std::optional<std::string> bytes = screens::ReadPictureFile(name + ".Bmp");
    if (bytes)
        name += ".Bmp";
    return bytes;
}

} // namespace

void SetFontName(ShortString fontName)
{
    screens::Figure* figure = support::Current();
    if (figure == nullptr || fontName.Empty())
        return;
    const screens::FigureProperties& font = figure->Properties();
    if (font.fontName == fontName.View())
        return;
    figure->SetFont(fontName.Str(), font.fontHeight, font.fontStyle);
}

void SetFontStyle(std::int32_t fontStyle)
{
    screens::Figure* figure = support::Current();
    if (figure == nullptr)
        return;
    const auto style = static_cast<std::uint8_t>(static_cast<std::uint32_t>(fontStyle) &
                                                 kFontStyleBits);
    const screens::FigureProperties& font = figure->Properties();
    if (font.fontStyle == style)
        return;
    figure->SetFont(font.fontName, font.fontHeight, style);
}

std::int32_t OpenBmp(ShortString bitmapName, Ref<std::int32_t> width, Ref<std::int32_t> height,
                     Ref<std::int32_t> palette)
{
    width.Set(0);
    height.Set(0);
    palette.Set(0);
    std::string name = bitmapName.Str();
    const std::optional<std::string> bytes = ReadBitmapFile(name);
    if (!bytes)
        return 0;
    platform::Result<screens::Picture> picture =
        screens::DecodePicture(*bytes, screens::Picture::Type::Bitmap);
    if (!picture || picture.Value().image.isNull())
        return 0;
    const screens::Picture& loaded = picture.Value();
    const int bits = loaded.bitsPerPixel;
    const std::int32_t colours = bits >= 1 && bits <= 8 ? (1 << bits) : 0;
    const QSize size = loaded.image.size();
    const std::int32_t handle = screens::Globals().pictureHandles.Open(name, loaded);
    if (handle == 0)
        return 0;
    width.Set(size.width());
    height.Set(size.height());
    palette.Set(colours);
    return handle;
}

void SetHandleBmp(std::int32_t handle)
{
    screens::FBase* bmp = CurrentBmp();
    if (bmp == nullptr)
        return;
    if (const screens::Picture* picture = screens::Globals().pictureHandles.Find(handle))
        bmp->ShowPicture(*picture);
}

std::int32_t GetHandleBmp()
{
    screens::FBase* bmp = CurrentBmp();
    return bmp != nullptr ? screens::Globals().pictureHandles.HandleOf(bmp->CurrentPicture()) : 0;
}

void RestrictWinSize(std::int32_t widthMin, std::int32_t heightMin, std::int32_t widthMax,
                     std::int32_t heightMax)
{
    screens::ScreenForm* window = screens::CurrentWindow();
    if (window == nullptr)
        return;
    const auto limit = [](std::int32_t value) { return std::clamp(value, 0, QWIDGETSIZE_MAX); };
    const int minWidth = limit(widthMin);
    const int minHeight = limit(heightMin);
    const int maxWidth = widthMax <= 0 ? QWIDGETSIZE_MAX : std::max(limit(widthMax), minWidth);
    const int maxHeight = heightMax <= 0 ? QWIDGETSIZE_MAX : std::max(limit(heightMax), minHeight);
    window->setMinimumSize(minWidth, minHeight);
    window->setMaximumSize(maxWidth, maxHeight);
}

void SetBorderStyle(std::uint16_t borderStyle)
{
    screens::ScreenForm* window = screens::CurrentWindow();
    if (window == nullptr || borderStyle > 5)
        return;
    const bool sizeable = borderStyle == 2 || borderStyle == 5;
    const QSize size = window->size();
    // A window inside an MDI frame is not a top-level window: its frame is the workspace's.
    if (window->parentWidget() == nullptr) {
        const Qt::WindowFlags old = window->windowFlags();
        Qt::WindowFlags flags = old & Qt::WindowStaysOnTopHint;
        const Qt::WindowFlags captionBar = Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        switch (borderStyle) {
        case 0: flags |= Qt::Window | Qt::FramelessWindowHint; break;
        case 1:
        case 2: flags |= Qt::Window | captionBar | Qt::WindowMinMaxButtonsHint; break;
        case 3: flags |= Qt::Dialog | captionBar; break;
        default: flags |= Qt::Tool | captionBar; break;
        }
        window->SetDialog(borderStyle == 3);
        if (flags != old) {
            const bool visible = window->isVisible();
            window->setWindowFlags(flags);
            if (visible)
                window->show(); // changing the flags hides a window
        }
    }
    if (!sizeable) {
        window->setFixedSize(size);
    } else if (window->minimumSize() == size && window->maximumSize() == size) {
        // A fixed window becomes sizeable again; limits set apart from a fixed size stay.
        window->setMinimumSize(0, 0);
        window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
}

} // namespace screencmd

platform::Status AddLookCommands(Implementations& implementations)
{
    using namespace screencmd;
    Implementations& in = implementations;
    for (const platform::Status& added : {
             in.Add<&SetFontName>("SETFONTNAME"),
             in.Add<&SetFontStyle>("SETFONTSTYLE"),
             in.Add<&OpenBmp>("OPENBMP"),
             in.Add<&SetHandleBmp>("SETHANDLEBMP"),
             in.Add<&GetHandleBmp>("GETHANDLEBMP"),
             in.Add<&RestrictWinSize>("RESTRICTWINSIZE"),
             in.Add<&SetBorderStyle>("SETBORDERSTYLE"),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
