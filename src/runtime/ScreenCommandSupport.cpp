// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ScreenCommandSupport.h"

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "screens/FBase.h"
#include "screens/Figure.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

#include <QApplication>
#include <QThread>
#include <QWidget>
#include <algorithm>

namespace runtime::screencmd::support {

bool OnGuiThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application != nullptr && QThread::currentThread() == application->thread();
}

bool OnGuiThread(std::atomic<bool>& warned, std::string_view warning) {
    if (OnGuiThread())
        return true;
    if (!warned.exchange(true))
        platform::LogWarning("{}", warning);
    return false;
}

screens::Figure* Current() {
    return screens::CurrentFigure();
}

screens::FBase* CurrentDrawn() {
    return dynamic_cast<screens::FBase*>(Current());
}

QRect BoundsOf(screens::Figure& figure) {
    const QWidget& widget = figure.Widget();
    if (auto* drawn = dynamic_cast<screens::FBase*>(&figure))
        return QRect(widget.pos(), drawn->FigureSize());
    return widget.geometry();
}

void SetBoundsOf(screens::Figure& figure, long long left, long long top, long long width,
                 long long height) {
    const auto position = [](long long value) {
        return static_cast<int>(std::clamp<long long>(value, kMinCoordinate, kMaxCoordinate));
    };
    const auto size = [](long long value) {
        return static_cast<int>(std::clamp<long long>(value, 0, kMaxCoordinate));
    };
    const QRect bounds(position(left), position(top), size(width), size(height));
    if (auto* drawn = dynamic_cast<screens::FBase*>(&figure))
        drawn->SetBounds(bounds);
    else
        figure.Widget().setGeometry(bounds);
}

std::vector<screens::Figure*> FiguresOf(screens::ScreenForm& window) {
    std::vector<screens::Figure*> figures;
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (screens::Figure* figure = screens::FigureOf(child))
            figures.push_back(figure);
    }
    return figures;
}

screens::Figure* FindFigure(screens::ScreenForm& window, std::string_view name) {
    const std::string wanted = UpperAscii(name);
    if (wanted.empty())
        return nullptr;
    // A figure's widget carries its upper-cased object name: Qt finds it without a copy of
    // every name. The walk below stays for figures named otherwise.
    const QString objectName =
        QString::fromLatin1(wanted.data(), static_cast<qsizetype>(wanted.size()));
    for (QWidget* widget : window.findChildren<QWidget*>(objectName)) {
        screens::Figure* figure = screens::FigureOf(widget);
        if (figure != nullptr && figure->Properties().componentName == wanted)
            return figure;
    }
    for (screens::Figure* figure : FiguresOf(window)) {
        if (UpperAscii(figure->Properties().componentName) == wanted)
            return figure;
    }
    return nullptr;
}

screens::ScreenForm* FindForm(std::string_view name) {
    const std::string wanted = UpperAscii(name);
    if (wanted.empty())
        return nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* form = dynamic_cast<screens::ScreenForm*>(widget);
        if (form != nullptr && UpperAscii(form->ScreenName()) == wanted)
            return form;
    }
    return nullptr;
}

std::string UpperAscii(std::string_view text) {
    return platform::UpperAscii(text);
}

QString ToQt(std::string_view codePageText) {
    return QString::fromStdString(platform::CodePageToUtf8(codePageText));
}

std::string FromQt(const QString& text) {
    return platform::Utf8ToCodePage(text.toStdString());
}

} // namespace runtime::screencmd::support
