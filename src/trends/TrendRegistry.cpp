// Quorva run-time. Licensed under the MIT licence.
#include "trends/TrendRegistry.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "screens/FBase.h"
#include "screens/Figure.h"
#include "screens/PlaceholderControl.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

namespace trends {
namespace {

screens::ScreenForm* FormOf(QWidget* widget) {
    for (; widget != nullptr; widget = widget->parentWidget()) {
        if (auto* form = dynamic_cast<screens::ScreenForm*>(widget))
            return form;
    }
    return nullptr;
}

void Unlist(TrendChart* chart) {
    std::vector<TrendChart*>& charts = Globals().charts;
    charts.erase(std::remove(charts.begin(), charts.end(), chart), charts.end());
}

} // namespace

TrendGlobals& Globals() {
    static TrendGlobals globals;
    return globals;
}

bool DisplayEnabled() {
    return Globals().displayEnabled;
}

void SetDisplayEnabled(bool enabled) {
    Globals().displayEnabled = enabled;
}

TrendChart* CreateChart(screens::Figure& figure, const ChartSettings& settings) {
    QWidget& placeholder = figure.Widget();
    const screens::FigureProperties& properties = figure.Properties();
    ChartSetup setup;
    setup.figureName = properties.componentName;
    setup.divX = settings.divX;
    setup.divY = settings.divY;
    setup.subX = settings.subX;
    setup.subY = settings.subY;
    setup.lowRangeY = settings.lowRangeY;
    setup.highRangeY = settings.highRangeY;
    setup.decimals = dynamic_cast<screens::FBase*>(&figure) != nullptr ? properties.decimals : 0;
    setup.backColour = properties.backColour;
    setup.foreColour = properties.foreColour;
    screens::ScreenForm* form = FormOf(&placeholder);
    setup.font = form != nullptr ? form->font() : placeholder.font();
    setup.size = placeholder.size();

    // The chart made earlier for this figure goes. It leaves the list at once and is deleted
    // later, so that a drawing procedure of the old chart that makes a new one does not pull
    // the chart it runs for from under itself.
    // Not findChildren<TrendChart*>: without a meta-object of its own that would match every
    // widget among the children.
    for (QObject* child : placeholder.children()) {
        auto* old = dynamic_cast<TrendChart*>(child);
        if (old == nullptr)
            continue;
        Unlist(old);
        old->hide();
        old->deleteLater();
    }
    auto* chart = new TrendChart(&placeholder, setup);
    screens::FillPlaceholder(placeholder, *chart);
    return chart;
}

TrendChart* CurrentChart() {
    const std::vector<TrendChart*>& charts = Globals().charts;
    if (charts.size() == 1)
        return charts.front();
    screens::ScreenForm* window = screens::CurrentWindow();
    screens::Figure* figure = screens::CurrentFigure();
    if (window == nullptr || figure == nullptr)
        return nullptr;
    const std::string name =
        platform::UpperAscii(figure->Properties().componentName).substr(0, 15);
    for (TrendChart* chart : charts) {
        if (FormOf(chart) == window && platform::UpperAscii(chart->FigureName()) == name)
            return chart;
    }
    return nullptr;
}

screens::Figure* FigureOfChart(TrendChart& chart) {
    return screens::FigureOf(chart.parentWidget());
}

} // namespace trends
