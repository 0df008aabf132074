// Quorva run-time. Licensed under the MIT licence.
#include "runtime/FormInstanceCommands.h"

#include "TestSupport.h"
#include "platform/GuestMemory.h"
#include "platform/SharedMemory.h"
#include "runtime/RuntimeHost.h"
#include "screens/Figure.h"
#include "screens/FigureKind.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenLoader.h"
#include "screens/SynScreenWriter.h"
#include "shell/Dictionary.h"
#include "shell/MessageBoxes.h"
#include "shell/ShellContext.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace cmd = runtime::screencmd;
using runtime::ShortString;

namespace {

namespace fs = std::filesystem;

// The screen "PUMP": a caption and two named figures.
std::string InstanceScreenFile() {
    screens::SynScreen screen;
    screen.header.caption = "Pump";
    screen.header.right = 300;
    screen.header.bottom = 200;
    screen.header.colour = 0x00FFFFFF;
    for (const char* name : {"LAMP", "LEVEL"}) {
        screens::SynObject object;
        screens::AttributsFig& record = object.attributes;
        record.kind = static_cast<std::uint8_t>(screens::FigureKind::Rectang);
        record.objectName = name;
        record.x1 = 10;
        record.y1 = name[1] == 'A' ? 10 : 60;
        record.x2 = 50;
        record.y2 = static_cast<std::int16_t>(record.y1 + 40);
        record.penWidth = 1;
        screen.objects.push_back(object);
    }
    return screens::WriteScreen(screen).Value();
}

std::vector<screens::ScreenForm*> InstanceFormsNamed(const std::string& name) {
    std::vector<screens::ScreenForm*> forms;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* form = dynamic_cast<screens::ScreenForm*>(widget);
        if (form != nullptr && form->ScreenName() == name)
            forms.push_back(form);
    }
    return forms;
}

// Answers every box with a fixed button and keeps what it was asked.
class InstanceBoxAnswers final : public shell::MessagePresenter {
public:
    std::int32_t Show(const std::string& caption, const std::string& text,
                      std::uint32_t flags) override {
        captions.push_back(caption);
        texts.push_back(text);
        lastFlags = flags;
        return answer;
    }
    bool CanShowDialogs() const override { return dialogs; }
    std::int32_t answer = shell::answer::Yes;
    bool dialogs = true;
    std::vector<std::string> captions;
    std::vector<std::string> texts;
    std::uint32_t lastFlags = 0;
};

class FormInstanceCommands : public ::testing::Test {
protected:
    void SetUp() override {
        screens::Globals().Reset();
        screens::Globals().projectDirectory = m_dir.Path().string();
        for (QWidget* widget : QApplication::topLevelWidgets())
            m_before.emplace_back(widget);
    }
    // The windows the test made go; those of other tests stay.
    void TearDown() override {
        std::vector<QPointer<QWidget>> made;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (dynamic_cast<screens::ScreenForm*>(widget) != nullptr &&
                std::find(m_before.begin(), m_before.end(), widget) == m_before.end())
                made.emplace_back(widget);
        for (const QPointer<QWidget>& widget : made)
            delete widget.data();
        screens::Globals().Reset();
    }

    testsupport::TempDir m_dir;
    std::vector<QPointer<QWidget>> m_before;
};

} // namespace

TEST_F(FormInstanceCommands, DisplayExShowsTheFormAndAMonitorWithNoScreenKeepsItsPlace) {
    auto* form = new screens::ScreenForm;
    form->SetScreenName("PANEL");
    form->move(30, 40);
    cmd::DisplayEx(ShortString("panel"), 7);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->pos(), QPoint(30, 40));
    cmd::DisplayEx(ShortString("PANEL"), -1);
    EXPECT_EQ(form->pos(), QPoint(30, 40));
}

TEST_F(FormInstanceCommands, DuplicateFormBuildsOneInstanceWithItsOwnFigures) {
    fs::create_directories(m_dir / "Syno");
    testsupport::WriteFile(m_dir / "Syno" / "PUMP.Syn", InstanceScreenFile());
    QPointer<screens::ScreenForm> original;
    ASSERT_TRUE(screens::LoadScreen("PUMP", original, m_dir.Path().string()));

    cmd::DuplicateForm(ShortString("pump"), 2, 9, 120, 80);
    std::vector<screens::ScreenForm*> instances = InstanceFormsNamed("PUMP2");
    ASSERT_EQ(instances.size(), 1u);
    screens::ScreenForm* instance = instances.front();
    EXPECT_NE(instance, original.data());
    EXPECT_TRUE(instance->isVisible());
    EXPECT_EQ(instance->pos(),
              QGuiApplication::primaryScreen()->geometry().topLeft() + QPoint(120, 80));
    QWidget* lamp = instance->findChild<QWidget*>("LAMP");
    ASSERT_NE(screens::FigureOf(lamp), nullptr);
    EXPECT_NE(lamp, original->findChild<QWidget*>("LAMP"));
    EXPECT_NE(instance->findChild<QWidget*>("LEVEL"), nullptr);
    // No copy of the screen was left behind.
    EXPECT_FALSE(fs::exists(m_dir / "PUMP2.Syn"));
    EXPECT_FALSE(fs::exists(m_dir / "Syno" / "PUMP2.Syn"));

    // The operator closed it: the same call shows the same window again, nothing new is built.
    instance->hide();
    cmd::DuplicateForm(ShortString("PUMP"), 2, 0, 0, 0);
    instances = InstanceFormsNamed("PUMP2");
    ASSERT_EQ(instances.size(), 1u);
    EXPECT_EQ(instances.front(), instance);
    EXPECT_TRUE(instance->isVisible());

    // Unusable requests build nothing.
    cmd::DuplicateForm(ShortString("PUMP"), -1, 0, 0, 0);
    cmd::DuplicateForm(ShortString("NOSUCHSCREEN"), 1, 0, 0, 0);
    cmd::DuplicateForm(ShortString("..\\PUMP"), 1, 0, 0, 0);
    cmd::DuplicateForm(ShortString(""), 1, 0, 0, 0);
    EXPECT_TRUE(InstanceFormsNamed("PUMP-1").empty());
    EXPECT_TRUE(InstanceFormsNamed("NOSUCHSCREEN1").empty());
    EXPECT_TRUE(InstanceFormsNamed("1").empty());
}

TEST_F(FormInstanceCommands, DuplicateFormOpensCopiesThroughTheScreenOpenerAndRemovesThem) {
    testsupport::ScopedCurrentDir cwd(m_dir.Path());
    testsupport::WriteFile(m_dir / "PUMP.Syn", InstanceScreenFile());
    testsupport::WriteFile(m_dir / "PUMP_Auto.qru", "unit bytes");
    testsupport::WriteFile(m_dir / "PUMP.RC", "menu bytes");
    // A screen of the project that happens to carry an instance's name.
    testsupport::WriteFile(m_dir / "PUMP3.Syn", InstanceScreenFile());

    // Stands in for the run-time's opener: sees the instance's files and builds the window.
    std::vector<std::string> opened;
    std::string unitSeen;
    std::string menuSeen;
    bool openerAnswer = true;
    screens::Globals().openScreen = [&](std::string_view name) {
        opened.emplace_back(name);
        const std::string upper(name);
        if (fs::exists(upper + "_Auto.qru"))
            unitSeen = testsupport::ReadFile(upper + "_Auto.qru");
        if (fs::exists(upper + ".RC"))
            menuSeen = testsupport::ReadFile(upper + ".RC");
        if (!openerAnswer)
            return false;
        QPointer<screens::ScreenForm> window;
        return screens::LoadScreen(name, window, m_dir.Path().string());
    };

    cmd::DuplicateForm(ShortString("Pump"), 2, 0, 15, 25);
    ASSERT_EQ(opened, std::vector<std::string>{"PUMP2"});
    EXPECT_EQ(unitSeen, "unit bytes");
    EXPECT_EQ(menuSeen, "menu bytes");
    EXPECT_EQ(InstanceFormsNamed("PUMP2").size(), 1u);
    for (const char* copy : {"PUMP2.Syn", "PUMP2_Auto.qru", "PUMP2.RC"})
        EXPECT_FALSE(fs::exists(m_dir / copy)) << copy;

    // The project's own PUMP3 is neither opened as an instance nor overwritten.
    cmd::DuplicateForm(ShortString("PUMP"), 3, 0, 0, 0);
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_TRUE(InstanceFormsNamed("PUMP3").empty());
    EXPECT_EQ(testsupport::ReadFile(m_dir / "PUMP3.Syn"), InstanceScreenFile());

    // An opener that fails (a unit that does not load) leaves no window and no copies.
    openerAnswer = false;
    cmd::DuplicateForm(ShortString("PUMP"), 4, 0, 0, 0);
    EXPECT_EQ(opened.back(), "PUMP4");
    EXPECT_TRUE(InstanceFormsNamed("PUMP4").empty());
    for (const char* copy : {"PUMP4.Syn", "PUMP4_Auto.qru", "PUMP4.RC"})
        EXPECT_FALSE(fs::exists(m_dir / copy)) << copy;
}

TEST_F(FormInstanceCommands, WinMessIsTrueOnlyForYes) {
    shell::Dictionary dictionary;
    InstanceBoxAnswers presenter;
    shell::MessageBoxes boxes(dictionary, presenter);
    screens::Globals().boxes = &boxes;

    EXPECT_TRUE(cmd::WinMess(ShortString("Start the pump?")));
    ASSERT_EQ(presenter.texts.size(), 1u);
    EXPECT_EQ(presenter.texts.front(), "Start the pump?");
    EXPECT_EQ(presenter.lastFlags & shell::mb::ButtonMask, shell::mb::YesNo);
    // No is the default button: a box taken with Enter, or answered by nobody, does not confirm.
    EXPECT_EQ(shell::DefaultAnswer(presenter.lastFlags), shell::answer::No);

    presenter.answer = shell::answer::No;
    EXPECT_FALSE(cmd::WinMess(ShortString("Stop the line?")));

    screens::Globals().boxes = nullptr;
    EXPECT_FALSE(cmd::WinMess(ShortString("Nobody can answer")));
}

TEST_F(FormInstanceCommands, GetPaletteColorWritesTheChosenColourOnlyOnOk) {
    auto memory = platform::GuestMemory::Create();
    ASSERT_TRUE(memory);
    const platform::GuestAddress cell = memory.Value()->Allocate(4).value();
    runtime::Ref<std::int32_t> colour(*memory.Value(), cell);
    colour.Set(0x000000FF); // red, as Windows colour values write it

    QColor offered;
    auto answerDialog = [&offered](bool accept) {
        QTimer::singleShot(0, [&offered, accept] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QColorDialog*>(widget);
                if (dialog == nullptr || !dialog->isVisible())
                    continue;
                offered = dialog->currentColor();
                dialog->setCurrentColor(QColor(0x12, 0x34, 0x56));
                accept ? dialog->accept() : dialog->reject();
            }
        });
    };

    // Without a display (or without boxes) no dialog is shown: nobody could answer it.
    EXPECT_FALSE(cmd::GetPaletteColor(colour));
    InstanceBoxAnswers presenter;
    shell::Dictionary colourWords;
    shell::MessageBoxes colourBoxes(colourWords, presenter);
    screens::Globals().boxes = &colourBoxes;
    presenter.dialogs = false;
    EXPECT_FALSE(cmd::GetPaletteColor(colour));
    EXPECT_EQ(colour.GetOr(0), 0x000000FF);
    presenter.dialogs = true;

    answerDialog(false);
    EXPECT_FALSE(cmd::GetPaletteColor(colour));
    EXPECT_EQ(offered, QColor(255, 0, 0));
    EXPECT_EQ(colour.GetOr(0), 0x000000FF);

    answerDialog(true);
    EXPECT_TRUE(cmd::GetPaletteColor(colour));
    EXPECT_EQ(colour.GetOr(0), 0x00563412);

    // A variable outside guest memory: no dialog, false.
    EXPECT_FALSE(cmd::GetPaletteColor(runtime::Ref<std::int32_t>(*memory.Value(), 0)));
}

TEST_F(FormInstanceCommands, FirstColorsPutsTheCustomColoursBack) {
    QColorDialog::setCustomColor(0, QColor(Qt::red));
    QColorDialog::setCustomColor(QColorDialog::customCount() - 1, QColor(Qt::blue));
    cmd::FirstColors();
    for (int index = 0; index < QColorDialog::customCount(); ++index)
        EXPECT_EQ(QColorDialog::customColor(index), QColor(Qt::white)) << index;
}

// The whole path with the run-time's own screen opener: the instance gets a unit of its own
// name, loaded from the copy, and a screen-unit record that runs.
TEST_F(FormInstanceCommands, DuplicateFormInTheRunTimeLoadsTheInstancesOwnUnit) {
    platform::SetInstanceName(testsupport::UniqueInstanceName());
    for (const char* unit : {"MVARGLOB.QRU", "E2E_Auto.qru"})
        fs::copy_file(fs::path(QUORVA_SCREEN_UNITS) / unit, m_dir / unit);
    testsupport::WriteFile(m_dir / "E2E.Syn", InstanceScreenFile());
    testsupport::WriteFile(m_dir / "rtquorva", "no package here");
    testsupport::ScopedCurrentDir cwd(m_dir.Path());

    shell::ShellSettings settings;
    settings.packageFile = (m_dir / "rtquorva").string();
    settings.headless = true;
    auto context = shell::ShellContext::Create(settings);
    ASSERT_TRUE(context.IsOk()) << context.Error();
    auto host = runtime::RuntimeHost::Create(*context.Value(), runtime::HostOptions{});
    ASSERT_TRUE(host.IsOk()) << host.Error();
    ASSERT_FALSE(host.Value()->LoadUnit("MVARGLOB.QRU").has_value());
    ASSERT_TRUE(host.Value()->OpenScreen("E2E"));

    cmd::DuplicateForm(ShortString("E2E"), 2, 0, 40, 30);
    ASSERT_EQ(InstanceFormsNamed("E2E2").size(), 1u);
    EXPECT_NE(host.Value()->Loader().FindProgram("E2E2_Auto.qru"), nullptr);
    EXPECT_NE(host.Value()->Loader().FindProgram("E2E_Auto.qru"),
              host.Value()->Loader().FindProgram("E2E2_Auto.qru"));
    EXPECT_EQ(screens::Globals().screenUnits.State("E2E2"), "Run");
    EXPECT_FALSE(fs::exists(m_dir / "E2E2_Auto.qru"));
    EXPECT_FALSE(fs::exists(m_dir / "E2E2.Syn"));
    screens::Globals().openScreen = nullptr;
}
