// Quorva run-time. Licensed under the MIT licence.
#include "shell/MessageBoxes.h"

#include "platform/Log.h"
#include "shell/QtMessagePresenter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace shell;

class BoxRecordingPresenter final : public MessagePresenter {
public:
    std::int32_t Show(const std::string& caption, const std::string& text,
                      std::uint32_t flags) override {
        shown.push_back(caption + "|" + text + "|" + std::to_string(flags));
        return answer::Retry;
    }
    std::vector<std::string> shown;
};

TEST(MessageBoxes, CaptionAndTextAreTranslatedBeforeShowing) {
    Dictionary dictionary;
    dictionary.Initialise(2, std::nullopt, "Erreur\tError\nFichier absent\tFile missing\n");
    BoxRecordingPresenter presenter;
    MessageBoxes boxes(dictionary, presenter);
    EXPECT_EQ(boxes.MessageBoxTranslated("Erreur", "Fichier absent", mb::RetryCancel | 0x30),
              answer::Retry);
    boxes.InfoBox("Erreur", "Fichier absent");
    boxes.ErrorBox("Erreur", "Inconnu \xE9");
    dictionary.SetTranslationOn(false);
    boxes.InfoBox("Erreur", "Fichier absent");
    EXPECT_EQ(presenter.shown,
              (std::vector<std::string>{"Error|File missing|53", "Error|File missing|64",
                                        "Error|Inconnu e|16", "Erreur|Fichier absent|64"}));
}

TEST(MessageBoxes, DefaultAnswerFollowsButtonSetAndDefaultButton) {
    using namespace answer;
    // Answers with default button 1, 2, 3; one beyond the box's buttons means the first.
    const std::pair<std::uint32_t, std::array<std::int32_t, 3>> cases[] = {
        {mb::Ok, {Ok, Ok, Ok}},
        {mb::OkCancel, {Ok, Cancel, Ok}},
        {mb::AbortRetryIgnore, {Abort, Retry, Ignore}},
        {mb::YesNoCancel, {Yes, No, Cancel}},
        {mb::YesNo, {Yes, No, Yes}},
        {mb::RetryCancel, {Retry, Cancel, Retry}},
        {0x7, {Ok, Ok, Ok}}, // not a button set of the system: OK alone
    };
    for (const auto& [buttons, answers] : cases) {
        for (std::uint32_t icon : {0u, mb::IconError, mb::IconQuestion}) {
            EXPECT_EQ(DefaultAnswer(buttons | icon), answers[0]) << buttons;
            EXPECT_EQ(DefaultAnswer(buttons | icon | mb::DefaultButton2), answers[1]) << buttons;
            EXPECT_EQ(DefaultAnswer(buttons | icon | mb::DefaultButton3), answers[2]) << buttons;
            EXPECT_EQ(DefaultAnswer(buttons | icon | 0x300), answers[0]) << buttons;
        }
    }
}

TEST(MessageBoxes, PresentersWithoutDisplayLogAndAnswerTheDefault) {
    std::vector<std::string> lines;
    auto previous =
        platform::log::SetSink([&lines](platform::LogLevel level, std::string_view line) {
            if (level == platform::LogLevel::Warning)
                lines.emplace_back(line);
        });
    LoggingMessagePresenter logging;
    EXPECT_EQ(logging.Show("Caf\xE9", "one\r\ntwo", mb::YesNo | mb::DefaultButton2), answer::No);
    // Qt's offscreen platform (the tests run on it) and a headless run show nothing.
    QtMessagePresenter offscreen(false);
    EXPECT_EQ(offscreen.Show("A", "B", mb::AbortRetryIgnore | mb::DefaultButton3), answer::Ignore);
    QtMessagePresenter headless(true);
    headless.SetForceShow(true);
    EXPECT_EQ(headless.Show("C", "D", mb::OkCancel), answer::Ok);
    platform::log::SetSink(std::move(previous));
    EXPECT_EQ(lines,
              (std::vector<std::string>{"message box \"Caf\xC3\xA9\": one  two [answered No]",
                                        "message box \"A\": B [answered Ignore]",
                                        "message box \"C\": D [answered OK]"}));
}

// Waits in the GUI thread's event loop for the next modal message box, lets `inspect` check it
// and name the button to click, and clicks it (or closes the box when none is named).
class BoxAnswerer {
public:
    explicit BoxAnswerer(std::function<QAbstractButton*(QMessageBox&)> inspect) {
        QObject::connect(&m_timer, &QTimer::timeout, [this, inspect] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || !box->isVisible())
                return;
            m_timer.stop();
            seenThread = box->thread();
            if (QAbstractButton* button = inspect(*box))
                button->click();
            else
                box->done(0);
        });
        m_timer.start(5);
    }
    // The thread of the box answered, or nullptr when none was seen.
    QThread* seenThread = nullptr;

private:
    QTimer m_timer;
};

TEST(QtMessagePresenter, ShowsTheBoxWithTextsButtonsAndDefaultAndReturnsTheClick) {
    QtMessagePresenter presenter(false);
    presenter.SetForceShow(true);
    BoxAnswerer answerer([](QMessageBox& box) -> QAbstractButton* {
        EXPECT_EQ(box.windowTitle(), QString::fromUtf8("Caf\xC3\xA9"));
        EXPECT_EQ(box.text(), QString::fromUtf8("R\xC3\xA9"
                                                "essayer ?"));
        EXPECT_EQ(box.icon(), QMessageBox::Question);
        EXPECT_EQ(box.standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::No));
        EXPECT_TRUE(box.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        return box.button(QMessageBox::Cancel);
    });
    EXPECT_EQ(presenter.Show("Caf\xE9",
                             "R\xE9"
                             "essayer ?",
                             mb::YesNoCancel | mb::IconQuestion | mb::DefaultButton2),
              answer::Cancel);
    EXPECT_NE(answerer.seenThread, nullptr);

    BoxAnswerer second([](QMessageBox& box) -> QAbstractButton* {
        EXPECT_EQ(box.standardButtons(),
                  QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::Abort));
        EXPECT_EQ(box.icon(), QMessageBox::Critical);
        return box.button(QMessageBox::Retry);
    });
    EXPECT_EQ(presenter.Show("x", "y", mb::AbortRetryIgnore | mb::IconError | 0x300),
              answer::Retry);
}

TEST(QtMessagePresenter, CallFromAnotherThreadRunsTheBoxOnTheGuiThread) {
    QtMessagePresenter presenter(false);
    presenter.SetForceShow(true);
    BoxAnswerer answerer([](QMessageBox& box) -> QAbstractButton* {
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::Retry));
        return box.button(QMessageBox::Cancel);
    });
    QEventLoop loop;
    std::int32_t answer = 0;
    std::thread worker([&] {
        answer = presenter.Show("Scan", "Port", mb::RetryCancel | mb::IconWarning);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    EXPECT_EQ(answerer.seenThread, QApplication::instance()->thread());
    EXPECT_EQ(answer, answer::Cancel);
}

} // namespace
