// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include <QFontMetrics>

#include "FigureTestSupport.h"
#include "screens/FigureFont.h"
#include "screens/FigureKind.h"
#include "screens/FigureText.h"
#include "screens/ScreenGlobals.h"
#include "shell/Dictionary.h"

using namespace figuretest;
using screens::FigureKind;

namespace {

constexpr std::uint8_t kText = static_cast<std::uint8_t>(FigureKind::Text);
constexpr std::uint8_t kValue = static_cast<std::uint8_t>(FigureKind::Value);

screens::AttributsFig TextRecord(std::string text, int angle = 0)
{
    auto record = Record(kText, 10, 20, 110, 70);
    record.text = std::move(text);
    record.angle = static_cast<std::uint16_t>(angle);
    record.filled = 0;
    return record;
}

QFontMetrics TestMetrics()
{
    return QFontMetrics(screens::FigureFont("Arial", -13, 0));
}

bool HasPixelOf(const QImage& image, const QColor& colour, int fromRow = 0)
{
    for (int y = fromRow; y < image.height(); ++y)
        if (CountInRow(image, y, colour) > 0)
            return true;
    return false;
}

} // namespace

TEST(ValueFigure, ShowsTheNumberWithItsDecimalsAndNoLeadingBlanks)
{
    EXPECT_EQ(screens::FormatValue(3.14159L, 2), "3.14");
    EXPECT_EQ(screens::FormatValue(3.14159L, 0), "3");
    EXPECT_EQ(screens::FormatValue(-12.5L, 3), "-12.500");
    EXPECT_EQ(screens::FormatValue(0, 1), "0.0");
    // Wider than the field: all digits, nothing cut.
    EXPECT_EQ(screens::FormatValue(123456789012345678.0L, 0), "123456789012345678");
    EXPECT_EQ(screens::FormatValue(std::numeric_limits<long double>::quiet_NaN(), 2), "Nan");
    EXPECT_EQ(screens::FormatValue(std::numeric_limits<long double>::infinity(), 2), "+Inf");
    EXPECT_EQ(screens::FormatValue(-std::numeric_limits<long double>::infinity(), 2), "-Inf");
    EXPECT_EQ(screens::FormatValue(1.5L, 255).size(), std::string("1.").size() + 18);

    screens::ScreenForm form;
    auto record = Record(kValue, 0, 0, 80, 20);
    record.pageValue = 2;
    record.filled = 0;
    screens::FBase* value = MakeFigure(form, record);
    EXPECT_EQ(value->Properties().decimals, 2);
    EXPECT_EQ(value->size(), QSize(80, 20)); // Values keep their bounds
    value->SetValue(3.14159L);
    EXPECT_EQ(screens::ShownText(value->Properties()), QStringLiteral("3.14"));
    EXPECT_TRUE(HasPixelOf(Render(*value), kBlack));
}

TEST(TextFigure, SizesItselfToItsTextAtAnyAngleKeepingItsPosition)
{
    screens::ScreenForm form;
    const QFontMetrics metrics = TestMetrics();
    const int w = metrics.horizontalAdvance(QStringLiteral("Tank level"));
    const int h = metrics.height();

    screens::FBase* text = MakeFigure(form, TextRecord("Tank level"));
    EXPECT_EQ(text->geometry(), QRect(10, 20, w, h));
    EXPECT_TRUE(HasPixelOf(Render(*text), kBlack));

    text->SetAngle(90);
    EXPECT_EQ(text->geometry(), QRect(10, 20, h, h + w));
    text->SetAngle(450); // reduced below 360
    EXPECT_EQ(text->Properties().angle, 90);
    text->SetAngle(45);
    const int diagonal = static_cast<int>(std::lrint(std::sqrt(0.5) * w));
    EXPECT_EQ(text->size(), QSize(h + diagonal, h + diagonal));
    EXPECT_TRUE(HasPixelOf(Render(*text), kBlack));
    text->SetAngle(0);
    text->SetText("Pump");
    EXPECT_EQ(text->size(), QSize(metrics.horizontalAdvance(QStringLiteral("Pump")), h));

    // A bigger font resizes it too.
    text->SetFont("Arial", -26, 0);
    EXPECT_EQ(text->size().height(), QFontMetrics(screens::FigureFont("Arial", -26, 0)).height());
    EXPECT_EQ(text->pos(), QPoint(10, 20));

    // Loaded at an angle.
    screens::FBase* turned = MakeFigure(form, TextRecord("Tank level", 90));
    EXPECT_EQ(turned->size(), QSize(h, h + w));
}

TEST(TextFigure, HashTextKeepsItsSizeAndWrapsCentred)
{
    screens::ScreenForm form;
    screens::FBase* text = MakeFigure(form, TextRecord("Tank#level"));
    EXPECT_EQ(text->geometry(), QRect(10, 20, 100, 50));
    text->SetText("Another#text that is much longer than before");
    EXPECT_EQ(text->geometry(), QRect(10, 20, 100, 50));
    text->SetFont("Arial", -20, 0);
    EXPECT_EQ(text->size(), QSize(100, 50));

    // Two words that do not fit side by side land on two lines, each centred.
    const QFontMetrics metrics = TestMetrics();
    screens::FBase* narrow = MakeFigure(form, TextRecord("A#WWWWWW"));
    const int word = metrics.horizontalAdvance(QStringLiteral("WWWWWW"));
    const int lineHeight = metrics.height();
    narrow->SetBounds(QRect(0, 0, word + 4, 3 * lineHeight));
    const QImage image = Render(*narrow);
    EXPECT_TRUE(HasPixelOf(image, kBlack, lineHeight + 1));
    int firstLineLeft = image.width();
    for (int y = 0; y < lineHeight; ++y) {
        const int left = FirstInRow(image, y, kBlack);
        if (left >= 0)
            firstLineLeft = std::min(firstLineLeft, left);
    }
    EXPECT_GT(firstLineLeft, image.width() / 4);
    EXPECT_LT(firstLineLeft, image.width() / 2);

    // Without the "#" the same text resizes again.
    narrow->SetText("Plain");
    EXPECT_EQ(narrow->size(), QSize(metrics.horizontalAdvance(QStringLiteral("Plain")), metrics.height()));
    EXPECT_TRUE(screens::KeepsItsSize(QStringLiteral("a#b")));
    EXPECT_FALSE(screens::KeepsItsSize(QStringLiteral("ab")));
}

TEST(TextFigure, FilledTextPaintsItsBackColourAndHollowDoesNot)
{
    screens::ScreenForm form;
    auto record = TextRecord("Level");
    record.filled = 1;
    screens::FBase* filled = MakeFigure(form, record);
    const QImage image = Render(*filled);
    EXPECT_GT(CountInRow(image, 0, kBlue), 0);
    screens::FBase* hollow = MakeFigure(form, TextRecord("Level"));
    EXPECT_EQ(CountInRow(Render(*hollow), 0, kBlue), 0);
}

TEST(TextFigure, ShowsAndMeasuresTheTranslation)
{
    shell::Dictionary dictionary;
    dictionary.Initialise(2, std::nullopt, std::string_view("Niveau\tTank level\r\nPompe\tMain#pump\r\n"));
    screens::Globals().dictionary = &dictionary;
    screens::ScreenForm form;
    const QFontMetrics metrics = TestMetrics();
    screens::FBase* level = MakeFigure(form, TextRecord("Niveau"));
    EXPECT_EQ(screens::ShownText(level->Properties()), QStringLiteral("Tank level"));
    EXPECT_EQ(level->size(), QSize(metrics.horizontalAdvance(QStringLiteral("Tank level")), metrics.height()));
    // A translation with "#" keeps the record's size; an unknown text shows as it is.
    screens::FBase* pump = MakeFigure(form, TextRecord("Pompe"));
    EXPECT_EQ(pump->size(), QSize(100, 50));
    screens::FBase* other = MakeFigure(form, TextRecord("Vanne"));
    EXPECT_EQ(screens::ShownText(other->Properties()), QStringLiteral("Vanne"));
    screens::Globals().dictionary = nullptr;
}
