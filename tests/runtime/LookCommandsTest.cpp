// Quorva run-time. Licensed under the MIT licence.
#include "runtime/LookCommands.h"
#include "FigureRecords.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include <QImage>

#include "platform/GuestMemory.h"
#include "screens/AttributsFig.h"
#include "screens/FBase.h"
#include "screens/FigureKind.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

namespace cmd = runtime::screencmd;
using runtime::ShortString;
using screens::AttributsFig;
using screens::FigureKind;

namespace {

using testsupport::Record;

class LookCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        screens::Globals().Reset();
        m_form.SetScreenName("PANEL");
        screens::SetCurrentWindow(&m_form);
        auto memory = platform::GuestMemory::Create();
        ASSERT_TRUE(memory);
        m_memory = std::move(memory.Value());
        m_cells = m_memory->Allocate(16).value();
        m_directory = std::filesystem::temp_directory_path() /
                      ("quorva-look-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_directory);
    }
    void TearDown() override
    {
        screens::Globals().Reset();
        std::filesystem::remove_all(m_directory);
    }

    screens::FBase* Drawn(FigureKind kind)
    {
        auto* figure = new screens::FBase(&m_form.Client());
        const AttributsFig record = Record(kind, 10, 10, 110, 60);
        figure->SetLoading(true);
        figure->SetKind(record.kind);
        figure->Load(record);
        figure->SetLoading(false);
        figure->show();
        screens::SetCurrentFigure(figure);
        return figure;
    }

    runtime::Ref<std::int32_t> Cell(int index) const
    {
        const auto offset = static_cast<std::uint32_t>(4 * index);
        return runtime::Ref<std::int32_t>(*m_memory, m_cells + offset);
    }
    std::int32_t Open(const std::string& name)
    {
        for (int i = 0; i < 3; ++i)
            Cell(i).Set(-1);
        return cmd::OpenBmp(ShortString(name), Cell(0), Cell(1), Cell(2));
    }
    std::string Path(const std::string& name) const { return (m_directory / name).string(); }

    screens::ScreenForm m_form;
    std::unique_ptr<platform::GuestMemory> m_memory;
    runtime::GuestAddress m_cells = 0;
    std::filesystem::path m_directory;
};

} // namespace

TEST_F(LookCommands, FontNameAndStyleChangeOnlyTheirPart)
{
    cmd::SetFontName(ShortString("Courier New")); // no figure: nothing happens
    cmd::SetFontStyle(3);
    screens::FBase* text = Drawn(FigureKind::Text);
    cmd::SetFontName(ShortString("Courier New"));
    cmd::SetFontStyle(1 | 4);
    EXPECT_EQ(text->Properties().fontName, "Courier New");
    EXPECT_EQ(text->Properties().fontHeight, -13);
    EXPECT_EQ(text->Properties().fontStyle, 5);
    cmd::SetFontStyle(-1); // bits beyond strike-out are not font styles
    EXPECT_EQ(text->Properties().fontStyle, 15);
    cmd::SetFontName(ShortString(""));
    EXPECT_EQ(text->Properties().fontName, "Courier New");
}

TEST_F(LookCommands, OpenBmpGivesHandlesThatBitmapFiguresShow)
{
    QImage indexed(7, 5, QImage::Format_Indexed8);
    indexed.setColorCount(256);
    for (int i = 0; i < 256; ++i)
        indexed.setColor(i, qRgb(i, 0, 255 - i));
    indexed.fill(200);
    ASSERT_TRUE(indexed.save(QString::fromStdString(Path("Tank.bmp")), "BMP"));

    const std::int32_t handle = Open(Path("Tank.bmp"));
    EXPECT_GT(handle, 0);
    EXPECT_EQ(Cell(0).GetOr(0), 7);
    EXPECT_EQ(Cell(1).GetOr(0), 5);
    EXPECT_EQ(Cell(2).GetOr(0), 256);
    EXPECT_EQ(Open(Path("Tank.bmp")), handle); // the same file keeps its handle
    EXPECT_EQ(Open(Path("Tank")), handle);     // ".Bmp" is tried for a bare name

    // Missing and damaged files give 0 and zero sizes.
    EXPECT_EQ(Open(Path("Nothing.bmp")), 0);
    EXPECT_EQ(Cell(0).GetOr(-1), 0);
    EXPECT_EQ(Cell(2).GetOr(-1), 0);
    std::ofstream(Path("Broken.bmp"), std::ios::binary) << "BM\x10\x00garbage";
    EXPECT_EQ(Open(Path("Broken.bmp")), 0);
    EXPECT_EQ(Cell(1).GetOr(-1), 0);
    EXPECT_EQ(Open(""), 0);

    // A Bmp figure shows the picture of the handle and answers its handle.
    screens::FBase* bmp = Drawn(FigureKind::Bmp);
    EXPECT_EQ(cmd::GetHandleBmp(), 0); // no picture yet
    cmd::SetHandleBmp(handle);
    EXPECT_EQ(bmp->CurrentPicture().image.size(), QSize(7, 5));
    EXPECT_EQ(cmd::GetHandleBmp(), handle);
    cmd::SetHandleBmp(handle + 1000); // unknown handles change nothing
    cmd::SetHandleBmp(-1);
    EXPECT_EQ(cmd::GetHandleBmp(), handle);

    // Another figure's picture gets a handle of its own, once.
    screens::FBase* other = Drawn(FigureKind::Bmp);
    QImage pixels(3, 3, QImage::Format_RGB32);
    pixels.fill(Qt::red);
    screens::Picture picture;
    picture.type = screens::Picture::Type::Bitmap;
    picture.image = pixels;
    other->ShowPicture(picture);
    const std::int32_t second = cmd::GetHandleBmp();
    EXPECT_GT(second, 0);
    EXPECT_NE(second, handle);
    EXPECT_EQ(cmd::GetHandleBmp(), second);

    // Figures of other kinds have no picture handle.
    Drawn(FigureKind::Rectang);
    cmd::SetHandleBmp(handle);
    EXPECT_EQ(cmd::GetHandleBmp(), 0);
}

TEST_F(LookCommands, WindowSizeLimitsAndBorderStyles)
{
    m_form.resize(400, 300);
    cmd::RestrictWinSize(100, 80, 0, 0);
    EXPECT_EQ(m_form.minimumSize(), QSize(100, 80));
    EXPECT_EQ(m_form.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    cmd::RestrictWinSize(-5, 80, 50, 600); // a maximum below the minimum is raised to it
    EXPECT_EQ(m_form.minimumSize(), QSize(0, 80));
    EXPECT_EQ(m_form.maximumSize(), QSize(50, 600));
    cmd::RestrictWinSize(0, 0, 0, 0);

    cmd::SetBorderStyle(1); // single: fixed size
    EXPECT_EQ(m_form.minimumSize(), m_form.maximumSize());
    EXPECT_FALSE(m_form.windowFlags() & Qt::FramelessWindowHint);
    cmd::SetBorderStyle(2); // sizeable again
    EXPECT_EQ(m_form.minimumSize(), QSize(0, 0));
    cmd::SetBorderStyle(3);
    EXPECT_TRUE(m_form.IsDialog());
    EXPECT_EQ(m_form.windowType(), Qt::Dialog);
    cmd::SetBorderStyle(5);
    EXPECT_FALSE(m_form.IsDialog());
    EXPECT_EQ(m_form.windowType(), Qt::Tool);
    cmd::SetBorderStyle(0);
    EXPECT_TRUE(m_form.windowFlags() & Qt::FramelessWindowHint);
    const Qt::WindowFlags before = m_form.windowFlags();
    cmd::SetBorderStyle(6); // no such border
    EXPECT_EQ(m_form.windowFlags(), before);

    screens::SetCurrentWindow(nullptr); // no window: nothing happens
    cmd::RestrictWinSize(1, 1, 1, 1);
    cmd::SetBorderStyle(1);
}
