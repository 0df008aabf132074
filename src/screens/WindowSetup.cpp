// Quorva run-time. Licensed under the MIT licence.
#include "screens/WindowSetup.h"

#include <algorithm>

#include <QApplication>
#include <QBuffer>
#include <QIcon>
#include <QImageReader>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QScreen>

#include "platform/CodePage.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/WindowsColour.h"

namespace screens {

namespace {

QString QtText(const std::string& bytes)
{
    return QString::fromStdString(platform::CodePageToUtf8(bytes));
}

QSize AvailableScreenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry().size() : QSize(1920, 1080);
}

// The workspace of an MDI frame: a workspace widget under the frame's figures.
QMdiArea* Workspace(ScreenForm& frame)
{
    return frame.findChild<QMdiArea*>(QStringLiteral("mdiWorkspace"));
}

} // namespace

QIcon IconFromImage(const std::string& image)
{
    QByteArray bytes(image.data(), static_cast<qsizetype>(image.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QImage icon = reader.read();
    if (icon.isNull())
        return {};
    return QIcon(QPixmap::fromImage(icon));
}

void SetUpWindow(ScreenForm& window, const SynHeader& header,
                 const std::optional<SynExtendedBlock>& extended)
{
    ScreenGlobals& globals = Globals();
    const int width = std::max(0, header.right - header.left);
    const int height = std::max(0, header.bottom - header.top);
    window.move(header.left, header.top);
    window.resize(width, height);

    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, WindowsColour(header.colour));
    window.setPalette(palette);
    window.setAutoFillBackground(true);

    window.setWindowTitle(QtText(DisplayText(header.caption)));
    if (globals.mainWindow == &window)
        QCoreApplication::setApplicationName(window.windowTitle());

    Qt::WindowFlags flags = Qt::Window;
    if (header.windowFlags & 1)
        flags = Qt::Tool;
    if (header.normalWindow == 0)
        flags |= Qt::WindowStaysOnTopHint;
    bool fixedSize = false;
    if (header.dialogBorder != 0) {
        flags = (flags & ~Qt::WindowType_Mask) | Qt::Dialog;
        window.SetDialog(true);
        fixedSize = true;
    } else if (header.hasCaptionBar == 0) {
        // A border without caption bar.
        flags |= Qt::CustomizeWindowHint;
        fixedSize = header.sizeable == 0;
    } else {
        fixedSize = header.sizeable == 0;
    }
    if (header.hasCaptionBar != 0 || header.dialogBorder != 0) {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint;
        if (header.systemMenu != 0)
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    window.setWindowFlags(flags);
    if (fixedSize)
        window.setFixedSize(width, height);

    if (header.centred != 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen != nullptr) {
            const QRect area = screen->availableGeometry();
            window.move(area.center() - QPoint(width / 2, height / 2));
        }
    }

    if (extended.has_value()) {
        const QSize available = AvailableScreenSize();
        const int maxWidth = extended->maxWidth > 0 ? extended->maxWidth : available.width();
        const int maxHeight = extended->maxHeight > 0 ? extended->maxHeight : available.height();
        if (!fixedSize) {
            window.setMinimumSize(std::max(0, extended->minWidth), std::max(0, extended->minHeight));
            window.setMaximumSize(std::max(maxWidth, std::max(0, extended->minWidth)),
                                  std::max(maxHeight, std::max(0, extended->minHeight)));
        }
        const QIcon icon = IconFromImage(extended->icon);
        if (!icon.isNull())
            window.setWindowIcon(icon);
    }
    SetCurrentWindow(&window);
}

void FinishWindow(ScreenForm& window, const SynHeader& header)
{
    ScreenGlobals& globals = Globals();
    const bool isMain = globals.mainWindow == &window;
    if (isMain) {
        window.SetCanClose(header.systemMenu != 0);
        if (header.mdiFrame != 0 && Workspace(window) == nullptr) {
            auto* workspace = new QMdiArea(&window.Client());
            workspace->setObjectName(QStringLiteral("mdiWorkspace"));
            workspace->setGeometry(window.Client().rect());
            workspace->lower();
            workspace->show();
        }
    } else if (header.mdiChild != 0 && globals.mainWindow != nullptr) {
        if (QMdiArea* workspace = Workspace(*globals.mainWindow)) {
            QMdiSubWindow* child = workspace->addSubWindow(&window);
            child->setGeometry(header.left, header.top, header.right - header.left,
                               header.bottom - header.top);
        }
    }

    // The last icon any screen brought is remembered; the main window falls back to it.
    if (!window.windowIcon().isNull() && window.windowIcon().cacheKey() != qApp->windowIcon().cacheKey())
        globals.rememberedIcon = window.windowIcon();
    if (globals.mainWindow != nullptr && !globals.rememberedIcon.isNull() &&
        globals.mainWindow->windowIcon().cacheKey() == qApp->windowIcon().cacheKey())
        globals.mainWindow->setWindowIcon(globals.rememberedIcon);
    if (globals.mainWindow != nullptr)
        QApplication::setWindowIcon(globals.mainWindow->windowIcon());

    if (header.maximized != 0)
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

} // namespace screens
