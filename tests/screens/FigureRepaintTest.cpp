// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include <QApplication>
#include <QEvent>
#include <QObject>

#include "FigureTestSupport.h"
#include "screens/FigureKind.h"

using namespace figuretest;
using screens::FigureKind;

namespace {

// Counts the paint events each watched widget receives.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++counts[watched];
        return false;
    }
    std::map<QObject*, int> counts;
};

void Settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

} // namespace

TEST(FigureRepaint, ChangingOneFigurePaintsThatFigureAlone)
{
    screens::ScreenForm form;
    form.resize(400, 100);
    std::vector<screens::FBase*> bars;
    bars.reserve(4);
    for (int i = 0; i < 4; ++i)
        bars.push_back(MakeFigure(form, Record(static_cast<std::uint8_t>(FigureKind::BarV), 10 + 60 * i, 10,
                                               50 + 60 * i, 90)));
    PaintCounter counter;
    for (screens::FBase* bar : bars)
        bar->installEventFilter(&counter);
    form.show();
    Settle();
    for (screens::FBase* bar : bars)
        ASSERT_GT(counter.counts[bar], 0) << "the first show paints every figure";

    counter.counts.clear();
    bars[1]->SetValue(50);
    Settle();
    EXPECT_GT(counter.counts[bars[1]], 0);
    EXPECT_EQ(counter.counts[bars[0]], 0);
    EXPECT_EQ(counter.counts[bars[2]], 0);
    EXPECT_EQ(counter.counts[bars[3]], 0);

    // Colours and fill levels too.
    counter.counts.clear();
    bars[2]->SetBackColour(0x0000FF00);
    bars[2]->SetFillLevel(30);
    Settle();
    EXPECT_GT(counter.counts[bars[2]], 0);
    EXPECT_EQ(counter.counts[bars[1]], 0);
    EXPECT_EQ(counter.counts[bars[3]], 0);

    // While loading nothing repaints.
    counter.counts.clear();
    bars[3]->SetLoading(true);
    bars[3]->SetValue(80);
    Settle();
    EXPECT_EQ(counter.counts[bars[3]], 0);
    bars[3]->SetLoading(false);
}
