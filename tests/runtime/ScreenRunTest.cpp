// Quorva run-time. Licensed under the MIT licence.
// A whole run on Qt's offscreen platform: start list, units on the scan thread, a screen whose
// automatic unit animates it on the GUI thread, a click that travels from the window through
// the automatic unit and a global to a scan unit and back, screenshots at the end.
#include "runtime/RuntimeHost.h"

#include "TestSupport.h"
#include "platform/SharedMemory.h"
#include "screens/Figure.h"
#include "screens/FigureKind.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/SynScreenWriter.h"
#include "shell/MainSequence.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <QTimer>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using screens::FigureKind;

screens::SynObject Object(FigureKind kind, const char* name, int x1, int y1, int x2, int y2,
                          std::uint32_t back)
{
    screens::SynObject object;
    screens::AttributsFig& record = object.attributes;
    record.kind = static_cast<std::uint8_t>(kind);
    record.objectName = name;
    record.x1 = static_cast<std::int16_t>(x1);
    record.y1 = static_cast<std::int16_t>(y1);
    record.x2 = static_cast<std::int16_t>(x2);
    record.y2 = static_cast<std::int16_t>(y2);
    record.foreColour = back;
    record.backColour = back;
    record.filled = 1;
    record.penWidth = 1;
    record.fontName = "Arial";
    record.fontHeight = -13;
    return object;
}

std::string ScreenFile()
{
    screens::SynScreen screen;
    screen.header.caption = "Run";
    screen.header.right = 400;
    screen.header.bottom = 300;
    screen.header.colour = 0x00FFFFFF;
    screen.objects.push_back(Object(FigureKind::Rectang, "Mover", 10, 10, 50, 50, 0x00FF0000));
    screen.objects.push_back(Object(FigureKind::Value, "CountVal", 100, 100, 200, 130, 0));
    screen.objects.push_back(Object(FigureKind::Rectang, "Lamp", 300, 10, 340, 50, 0));
    screen.objects.push_back(Object(FigureKind::Button, "Button", 100, 200, 200, 240, 0x00C0C0C0));
    return screens::WriteScreen(screen).Value();
}

QColor PixelAt(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y);
}

} // namespace

TEST(ScreenRun, AClickReachesTheScanUnitAndItsAnswerReachesTheScreen)
{
    platform::SetInstanceName(testsupport::UniqueInstanceName());
    testsupport::TempDir dir;
    for (const char* unit : {"MVARGLOB.QRU", "E2ESCAN.QRU", "E2E_Auto.qru"})
        fs::copy_file(fs::path(QUORVA_SCREEN_UNITS) / unit, dir.Path() / unit);
    testsupport::WriteFile(dir.Path() / "Kestra.PFC", "E2E\r\n");
    testsupport::WriteFile(dir.Path() / "PROG.OCO", "E2ESCAN\r\n");
    testsupport::WriteFile(dir.Path() / "E2E.Syn", ScreenFile());
    testsupport::WriteFile(dir.Path() / "rtquorva", "no package here");
    testsupport::ScopedCurrentDir cwd(dir.Path());

    shell::ShellSettings settings;
    settings.packageFile = (dir.Path() / "rtquorva").string();
    settings.headless = true;
    auto context = shell::ShellContext::Create(settings);
    ASSERT_TRUE(context.IsOk()) << context.Error();
    runtime::HostOptions options;
    options.screenshots.directory = (dir.Path() / "shots").string();
    auto host = runtime::RuntimeHost::Create(*context.Value(), options);
    ASSERT_TRUE(host.IsOk()) << host.Error();

    shell::MainSettings mainSettings;
    mainSettings.runForMilliseconds = 1500;
    mainSettings.debuggerPresent = [] { return false; };
    shell::MainSequence sequence(*context.Value(), *host.Value(), mainSettings);

    // The operator presses the button, holds it for a while and lets go.
    QTimer::singleShot(400, [] {
        QWidget* button = screens::Globals().mainWindow->findChild<QWidget*>("BUTTON");
        ASSERT_NE(button, nullptr);
        QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, QPoint(50, 20));
    });
    QTimer::singleShot(700, [] {
        QWidget* button = screens::Globals().mainWindow->findChild<QWidget*>("BUTTON");
        QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, QPoint(50, 20));
    });
    EXPECT_EQ(sequence.Run(), shell::kExitDone);

    // One click, one count: the automatic unit saw it in exactly one cycle.
    auto count = host.Value()->Store().GetGlobalText("COUNT");
    EXPECT_EQ(count, "1");
    screens::ScreenForm* window = screens::Globals().mainWindow;
    ASSERT_NE(window, nullptr);
    screens::Figure* value = screens::FigureOf(window->findChild<QWidget*>("COUNTVAL"));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->Properties().value, 1.0L);
    EXPECT_EQ(screens::Globals().screenUnits.State("E2E"), "Run");

    QImage shot(QString::fromStdString((dir.Path() / "shots" / "E2E.png").string()));
    ASSERT_FALSE(shot.isNull());
    const int menuOffset = shot.height() - 300;
    // MOVER left its place for x = 200..240; the lamp turned from red to green.
    EXPECT_EQ(PixelAt(shot, 20, 30 + menuOffset), QColor(255, 255, 255));
    EXPECT_EQ(PixelAt(shot, 220, 30 + menuOffset), QColor(0, 0, 255));
    EXPECT_EQ(PixelAt(shot, 320, 30 + menuOffset), QColor(0, 255, 0));
}
