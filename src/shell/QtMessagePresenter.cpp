// Quorva run-time. Licensed under the MIT licence.
#include "shell/QtMessagePresenter.h"

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "shell/MessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
#include <QString>
#include <QThread>
#include <utility>
#include <vector>

namespace shell {

namespace {

QString FromCodePage(const std::string& bytes) {
    return QString::fromStdString(platform::CodePageToUtf8(bytes));
}

QMessageBox::Icon IconFor(std::uint32_t flags) {
    switch (flags & mb::IconMask) {
    case mb::IconError:
        return QMessageBox::Critical;
    case mb::IconQuestion:
        return QMessageBox::Question;
    case mb::IconWarning:
        return QMessageBox::Warning;
    case mb::IconInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButton StandardButtonFor(std::int32_t answer) {
    switch (answer) {
    case answer::Cancel:
        return QMessageBox::Cancel;
    case answer::Abort:
        return QMessageBox::Abort;
    case answer::Retry:
        return QMessageBox::Retry;
    case answer::Ignore:
        return QMessageBox::Ignore;
    case answer::Yes:
        return QMessageBox::Yes;
    case answer::No:
        return QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

// Runs the box on the calling thread, which must be the GUI thread.
std::int32_t RunBox(const std::string& caption, const std::string& text, std::uint32_t flags) {
    QMessageBox box;
    box.setWindowTitle(FromCodePage(caption));
    box.setText(FromCodePage(text));
    box.setIcon(IconFor(flags));
    // Top-most windows of the project stay behind the box while it is shown.
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);

    std::vector<std::pair<QPushButton*, std::int32_t>> buttons;
    for (std::int32_t answer : ButtonAnswers(flags)) {
        QPushButton* button = box.addButton(StandardButtonFor(answer));
        buttons.emplace_back(button, answer);
        if (answer == answer::Cancel)
            box.setEscapeButton(button);
    }
    box.setDefaultButton(buttons[DefaultButtonIndex(flags)].first);
    box.exec();

    const QAbstractButton* clicked = box.clickedButton();
    for (const auto& [button, answer] : buttons)
        if (button == clicked)
            return answer;
    // Closed without a button (the application quitting): as if the default was taken.
    return DefaultAnswer(flags);
}

} // namespace

QtMessagePresenter::QtMessagePresenter(bool headless) : m_headless(headless) {}

bool QtMessagePresenter::CanShow() const {
    if (m_headless || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr ||
        QCoreApplication::closingDown())
        return false;
    if (m_forceShow)
        return true;
    const QString platformName = QGuiApplication::platformName();
    return platformName != QLatin1String("offscreen") && platformName != QLatin1String("minimal");
}

std::int32_t QtMessagePresenter::Show(const std::string& caption, const std::string& text,
                                      std::uint32_t flags) {
    if (!CanShow())
        return LogMessageBox(caption, text, flags);
    QCoreApplication* application = QCoreApplication::instance();
    if (QThread::currentThread() == application->thread())
        return RunBox(caption, text, flags);

    std::int32_t answer = DefaultAnswer(flags);
    const bool called = QMetaObject::invokeMethod(
        application, [&caption, &text, flags] { return RunBox(caption, text, flags); },
        Qt::BlockingQueuedConnection, &answer);
    if (!called) {
        platform::LogWarning("message box could not be run on the GUI thread");
        return LogMessageBox(caption, text, flags);
    }
    return answer;
}

} // namespace shell
