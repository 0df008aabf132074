// Quorva run-time. Licensed under the MIT licence.
#include "trends/TrendReport.h"

#include "screens/Figure.h"
#include "screens/ScreenForm.h"
#include "trends/TrendChart.h"
#include "trends/TrendRegistry.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>

#include <algorithm>
#include <cctype>
#include <string>

namespace trends {
namespace {

// The picture a report figure shows, found again when the chart is handed over once more.
constexpr const char* kReportPictureName = "trend report picture";

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

screens::ScreenForm* OpenForm(std::string_view name) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* form = dynamic_cast<screens::ScreenForm*>(widget);
        if (form != nullptr && SameName(form->ScreenName(), name))
            return form;
    }
    return nullptr;
}

screens::Figure* FigureNamed(screens::ScreenForm& form, std::string_view name) {
    for (QWidget* child : form.findChildren<QWidget*>()) {
        screens::Figure* figure = screens::FigureOf(child);
        if (figure != nullptr && SameName(figure->Properties().componentName, name))
            return figure;
    }
    return nullptr;
}

} // namespace

TrendChart* ChartByNumber(std::uint32_t number) {
    for (TrendChart* chart : Globals().charts)
        if (chart->Number() == number)
            return chart;
    return nullptr;
}

bool HandChartToReport(TrendChart& chart, std::string_view formName,
                       std::string_view controlName) {
    screens::ScreenForm* form = OpenForm(formName);
    if (form == nullptr)
        return false;
    screens::Figure* figure = FigureNamed(*form, controlName);
    if (figure == nullptr)
        return false;
    chart.RenderNow(); // a chart never shown yet has no picture
    QWidget& host = figure->Widget();
    auto* picture = host.findChild<QLabel*>(QLatin1String(kReportPictureName),
                                            Qt::FindDirectChildrenOnly);
    if (picture == nullptr) {
        picture = new QLabel(&host);
        picture->setObjectName(QLatin1String(kReportPictureName));
        picture->setScaledContents(true);
    }
    picture->setPixmap(QPixmap::fromImage(chart.ShownImage()));
    picture->setGeometry(host.rect());
    picture->show();
    picture->raise();
    return true;
}

} // namespace trends
