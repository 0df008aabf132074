// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>

#include "FigureTestSupport.h"
#include "screens/FigureFont.h"
#include "screens/FigureKind.h"
#include "screens/TabStrip.h"

using namespace figuretest;
using screens::FigureKind;

namespace {


void Mouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent event(type, QPointF(at), widget.mapToGlobal(QPointF(at)), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void Click(QWidget& widget, QPoint at)
{
    Mouse(widget, QEvent::MouseButtonPress, at);
    Mouse(widget, QEvent::MouseButtonRelease, at);
}

screens::AttributsFig TabRecord(FigureKind kind, int layer, int tabs, int pageValue)
{
    auto record = Record(Kind(kind), 0, 0, 200, 60);
    record.pageLayer = static_cast<std::uint8_t>(layer);
    record.tabCount = static_cast<std::uint8_t>(tabs);
    record.pageValue = static_cast<std::uint8_t>(pageValue);
    record.backColour = screens::kButtonFace;
    return record;
}

} // namespace

TEST(ButtonFigure, PushButtonIsDownOnlyWhilePressed)
{
    screens::ScreenForm form;
    screens::FBase* button = MakeFigure(form, Record(Kind(FigureKind::Button), 0, 0, 60, 24));
    const QImage up = Render(*button);
    Mouse(*button, QEvent::MouseButtonPress, QPoint(10, 10));
    EXPECT_TRUE(button->Down());
    const QImage down = Render(*button);
    EXPECT_PIXEL(up, 0, 0, kWhite);
    EXPECT_PIXEL(down, 0, 0, kBlack);
    EXPECT_PIXEL(up, 59, 23, kBlack);
    EXPECT_PIXEL(down, 59, 23, kWhite);
    Mouse(*button, QEvent::MouseButtonRelease, QPoint(10, 10));
    EXPECT_FALSE(button->Down());
    // Other buttons do nothing.
    Mouse(*button, QEvent::MouseButtonPress, QPoint(10, 10), Qt::RightButton);
    EXPECT_FALSE(button->Down());
}

TEST(ButtonFigure, ToggleButtonFlipsOnEachPressAndTheInactiveWindowIgnoresBoth)
{
    screens::ScreenForm form;
    screens::FBase* toggle = MakeFigure(form, Record(Kind(FigureKind::XpButton), 0, 0, 60, 24));
    EXPECT_EQ(toggle->Properties().buttonState, 0);
    toggle->SetButtonState(1);
    Click(*toggle, QPoint(5, 5));
    EXPECT_TRUE(toggle->Down());
    Click(*toggle, QPoint(5, 5));
    EXPECT_FALSE(toggle->Down());

    form.SetMarkedInactive(true);
    Click(*toggle, QPoint(5, 5));
    EXPECT_FALSE(toggle->Down());
    toggle->SetButtonState(0);
    Mouse(*toggle, QEvent::MouseButtonPress, QPoint(5, 5));
    EXPECT_FALSE(toggle->Down());
    // Program code still sets it.
    toggle->SetDown(true);
    Mouse(*toggle, QEvent::MouseButtonRelease, QPoint(5, 5));
    EXPECT_TRUE(toggle->Down());
    form.SetMarkedInactive(false);
    Mouse(*toggle, QEvent::MouseButtonRelease, QPoint(5, 5));
    EXPECT_FALSE(toggle->Down());
}

TEST(TabFigure, ClickOnATabTurnsTheWindowToItsPage)
{
    screens::ScreenForm form;
    // Tab count 4, page value 0: the page value becomes 4, tabs 200 / 4 - 4 = 46 wide.
    screens::FBase* book = MakeFigure(form, TabRecord(FigureKind::NoteBook, 1, 4, 0));
    EXPECT_EQ(book->Properties().decimals, 4);
    EXPECT_EQ(form.CurrentPage(), 1); // loading turned the window to the book's layer
    EXPECT_EQ(screens::TabWidth(200, 4), 46);
    Click(*book, QPoint(50, 5));
    EXPECT_EQ(form.CurrentPage(), 2);
    Click(*book, QPoint(140, 17));
    EXPECT_EQ(form.CurrentPage(), 4);
    Click(*book, QPoint(10, 30)); // below the NoteBook's strip
    EXPECT_EQ(form.CurrentPage(), 4);
    Click(*book, QPoint(190, 5)); // past the last tab
    EXPECT_EQ(form.CurrentPage(), 4);

    // A TabSet's strip is its whole height.
    screens::ScreenForm other;
    screens::FBase* tabs = MakeFigure(other, TabRecord(FigureKind::TabSet, 0, 4, 0));
    Click(*tabs, QPoint(50, 55));
    EXPECT_EQ(other.CurrentPage(), 1);

    // Page value 8 with 4 tabs: 21-pixel tabs; the fifth slot is no tab.
    screens::ScreenForm third;
    screens::FBase* wide = MakeFigure(third, TabRecord(FigureKind::TabSet, 0, 4, 8));
    EXPECT_EQ(wide->Properties().decimals, 8);
    Click(*wide, QPoint(70, 5));
    EXPECT_EQ(third.CurrentPage(), 3);
    Click(*wide, QPoint(90, 5));
    EXPECT_EQ(third.CurrentPage(), 3);
    // A page value below the tab count gives way to the tab count.
    EXPECT_EQ(MakeFigure(third, TabRecord(FigureKind::TabSet, 0, 4, 2))->Properties().decimals, 4);
}

TEST(TabFigure, DrawsTheChosenTabAndNothingPastItsTabs)
{
    screens::ScreenForm form;
    screens::FBase* book = MakeFigure(form, TabRecord(FigureKind::NoteBook, 0, 4, 0));
    const QColor face(192, 192, 192);
    QImage image = Render(*book);
    // Tab 0 chosen: it stands taller (row 0) and joins its page; the others start at row 2.
    EXPECT_PIXEL(image, 10, 0, kWhite);
    EXPECT_PIXEL(image, 60, 0, kBackground);
    EXPECT_PIXEL(image, 60, 2, kWhite);
    EXPECT_PIXEL(image, 20, 17, face);
    EXPECT_PIXEL(image, 100, 40, face);

    form.SetCurrentPage(2);
    image = Render(*book);
    EXPECT_PIXEL(image, 10, 0, kBackground);
    EXPECT_PIXEL(image, 100, 0, kWhite);

    // Page 4 is on the book's range but past its tabs: nothing is drawn.
    form.SetCurrentPage(4);
    image = Render(*book);
    for (int y = 0; y < image.height(); ++y)
        ASSERT_EQ(CountInRow(image, y, kBackground), image.width()) << "row " << y;

    // No tabs at all: nothing drawn, clicks ignored, nothing fails.
    screens::ScreenForm empty;
    screens::FBase* none = MakeFigure(empty, TabRecord(FigureKind::TabSet, 0, 0, 0));
    EXPECT_EQ(none->Properties().decimals, 0);
    Click(*none, QPoint(5, 5));
    EXPECT_EQ(empty.CurrentPage(), 0);
    const QImage noneImage = Render(*none);
    EXPECT_EQ(CountInRow(noneImage, 5, kBackground), noneImage.width());
}

TEST(PageLayers, FiguresShowOnlyOnTheirPage)
{
    screens::ScreenForm form;
    form.resize(300, 200);
    screens::FBase* always = MakeFigure(form, Record(Kind(FigureKind::Rectang), 0, 0, 20, 20));
    auto layered = Record(Kind(FigureKind::Rectang), 30, 0, 50, 20);
    layered.pageLayer = 2;
    screens::FBase* pageTwo = MakeFigure(form, layered);
    form.show();
    form.SetCurrentPage(1);
    EXPECT_TRUE(always->isVisible());
    EXPECT_FALSE(pageTwo->isVisible());
    EXPECT_FALSE(pageTwo->OnCurrentPage());
    // Even when shown by hand, a figure off its page paints nothing.
    pageTwo->show();
    EXPECT_EQ(CountInRow(Render(*pageTwo), 0, kBlack), 0);
    form.SetCurrentPage(2);
    EXPECT_TRUE(pageTwo->isVisible());
    EXPECT_EQ(CountInRow(Render(*pageTwo), 0, kBlack), 20);

    // Clicking a NoteBook tab drives the same rule.
    auto bookRecord = TabRecord(FigureKind::NoteBook, 1, 3, 0);
    bookRecord.y1 = 100;
    bookRecord.y2 = 160;
    screens::FBase* book = MakeFigure(form, bookRecord);
    EXPECT_EQ(form.CurrentPage(), 1);
    EXPECT_FALSE(pageTwo->isVisible());
    Click(*book, QPoint(70, 5)); // tab 1 -> page 2
    EXPECT_EQ(form.CurrentPage(), 2);
    EXPECT_TRUE(pageTwo->isVisible());
    EXPECT_TRUE(book->isVisible());
}

TEST(GroupFigure, EtchedFrameLeavesRoomForTheCaption)
{
    screens::ScreenForm form;
    auto record = Record(Kind(FigureKind::Group), 0, 0, 120, 60);
    record.text = "Pumps";
    screens::FBase* group = MakeFigure(form, record);
    const QImage image = Render(*group);
    const int frameTop = QFontMetrics(screens::FigureFont("Arial", -13, 0)).height() / 2;
    EXPECT_PIXEL(image, 0, frameTop + 5, kGrey);
    EXPECT_PIXEL(image, 1, frameTop + 5, kWhite);
    EXPECT_PIXEL(image, 118, frameTop + 5, kGrey);
    EXPECT_PIXEL(image, 119, frameTop + 5, kWhite);
    EXPECT_PIXEL(image, 60, 58, kGrey);
    EXPECT_PIXEL(image, 60, 59, kWhite);
    EXPECT_PIXEL(image, 2, frameTop, kGrey);
    EXPECT_PIXEL(image, 100, frameTop, kGrey);
    EXPECT_PIXEL(image, 60, 30, kBlue); // filled with its back colour
    // The caption interrupts the top edge.
    int grey = 0;
    for (int x = 6; x < 20; ++x)
        grey += image.pixelColor(x, frameTop) == kGrey ? 1 : 0;
    EXPECT_EQ(grey, 0);
}
