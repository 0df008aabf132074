// Quorva run-time. Licensed under the MIT licence.
#include "runtime/MediaCommands.h"
#include "runtime/WebCommands.h"

#include "UnitCallerRig.h"
#include "screens/LinkModules.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/TSimple.h"

#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// The runtime library with the media and web commands bound and the MEDIAWEBCALLER unit.
class MediaWebRig : public testsupport::UnitCallerRig {
public:
    static platform::Result<std::unique_ptr<MediaWebRig>> Create() {
        std::unique_ptr<MediaWebRig> rig(new MediaWebRig());
        if (platform::Status built = rig->Build({&runtime::AddMediaCommands, &runtime::AddWebCommands},
                                                QUORVA_MEDIA_WEB_CALLER_UNIT);
            !built)
            return platform::Fail(built.Error());
        return rig;
    }
    void Call(const char* procedure) { EXPECT_TRUE(Run(procedure)) << procedure; }
    void Call(const char* procedure, const std::string& name, std::int32_t flag = 0) {
        SetString("NAME", name);
        Set<std::int32_t>("FLAG", flag);
        Call(procedure);
    }
    bool Ask(const char* procedure) {
        Set<std::int32_t>("OK", 7);
        Call(procedure);
        return Get<std::int32_t>("OK") != 0;
    }
    // GETPOSITIONMEDIA and GETLENGTHMEDIA, from unit code.
    std::int32_t Position() {
        Call("DOQUERY");
        return Get<std::int32_t>("RES");
    }
    std::int32_t Length() {
        Call("DOQUERY");
        return Get<std::int32_t>("LEN");
    }

private:
    MediaWebRig() = default;
};

// A mono 16-bit WAV of `milliseconds` of a 440 Hz tone at 8 kHz.
void WriteTone(const QString& path, int milliseconds) {
    const std::uint32_t rate = 8000;
    const std::uint32_t samples = rate * static_cast<std::uint32_t>(milliseconds) / 1000;
    std::vector<char> bytes;
    auto put = [&](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    auto text = [&](const char* four) { bytes.insert(bytes.end(), four, four + 4); };
    text("RIFF");
    put(36 + samples * 2, 4);
    text("WAVE");
    text("fmt ");
    put(16, 4);
    put(1, 2); // PCM
    put(1, 2); // mono
    put(rate, 4);
    put(rate * 2, 4);
    put(2, 2);
    put(16, 2);
    text("data");
    put(samples * 2, 4);
    for (std::uint32_t i = 0; i < samples; ++i)
        put(static_cast<std::uint16_t>(static_cast<std::int16_t>(
                8000 * std::sin(2 * 3.14159265358979 * 440 * i / rate))),
            2);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

// Two seconds of a test picture at 25 frames a second, made by GStreamer's test source.
bool WriteClip(const QString& path) {
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
    if (launcher.isEmpty())
        return false;
    const std::string command =
        launcher.toStdString() +
        " -q videotestsrc num-buffers=50 ! video/x-raw,width=160,height=120,framerate=25/1 ! "
        "theoraenc ! oggmux ! filesink location='" + path.toStdString() + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 && QFile::exists(path);
}

class MediaWebCommands : public ::testing::Test {
protected:
    void SetUp() override {
        screens::Globals().Reset();
        auto created = MediaWebRig::Create();
        ASSERT_TRUE(created) << created.Error();
        rig = std::move(created.Value());
        m_form = std::make_unique<screens::ScreenForm>();
        m_form->SetScreenName("PANEL");
        m_form->resize(400, 300);
        m_screen = new screens::TSimple(&m_form->Client());
        m_screen->SetNames("TCSIMPLE", "VIDEO");
        m_screen->setGeometry(10, 10, 160, 120);
        m_form->show();
        screens::SetCurrentWindow(m_form.get());
        screens::SetCurrentFigure(m_screen);
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override {
        m_form.reset();
        screens::Globals().Reset();
    }
    QString File(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    std::unique_ptr<MediaWebRig> rig;
    std::unique_ptr<screens::ScreenForm> m_form;
    screens::TSimple* m_screen = nullptr;
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(MediaWebCommands, TheMediaPlayerPlaysPausesStepsAndSeeksASound) {
    // No player yet: every query answers nothing.
    EXPECT_EQ(rig->Length(), 0);
    EXPECT_FALSE(rig->Ask("DOPLAYING"));
    EXPECT_FALSE(rig->Ask("DOATEND"));
    rig->Call("DOPLAYMEDIA");

    WriteTone(File("tone.wav"), 1000);
    rig->Call("DOINIT", File("tone.wav").toStdString(), 1);
    EXPECT_NEAR(rig->Length(), 1000, 30);
    EXPECT_EQ(rig->Position(), 0);
    EXPECT_TRUE(rig->Ask("DOATZERO"));
    EXPECT_FALSE(rig->Ask("DOPLAYING"));

    rig->Call("DOPLAYMEDIA");
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig->Position() >= 200; }, 5000));
    EXPECT_TRUE(rig->Ask("DOPLAYING"));
    EXPECT_FALSE(rig->Ask("DOATZERO"));

    // PAUSEONLYMEDIA holds it; PAUSEMEDIA then toggles.
    rig->Call("DOPAUSEONLYMEDIA");
    EXPECT_FALSE(rig->Ask("DOPLAYING"));
    const std::int32_t held = rig->Position();
    QTest::qWait(300);
    EXPECT_EQ(rig->Position(), held);
    rig->Call("DOPAUSEONLYMEDIA"); // already paused: stays paused
    EXPECT_FALSE(rig->Ask("DOPLAYING"));
    rig->Call("DOPAUSEMEDIA");
    EXPECT_TRUE(rig->Ask("DOPLAYING"));
    rig->Call("DOPAUSEMEDIA");
    EXPECT_FALSE(rig->Ask("DOPLAYING"));

    // A sound steps by 100 ms, and never before the start.
    rig->Call("DOREWINDMEDIA");
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig->Position() == 0; }, 2000));
    rig->Call("DOSTEPMEDIA");
    rig->Call("DOSTEPMEDIA");
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig->Position() == 200; }, 2000)) << rig->Position();
    rig->Call("DOBACKMEDIA");
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig->Position() == 100; }, 2000)) << rig->Position();
    rig->Call("DOBACKMEDIA");
    rig->Call("DOBACKMEDIA");
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig->Position() == 0; }, 2000)) << rig->Position();
    EXPECT_FALSE(rig->Ask("DOPLAYING"));

    // To the end and back: PLAYMEDIA at the end plays from the start.
    rig->Call("DONEXTTRACK");
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig->Ask("DOATEND"); }, 2000));
    rig->Call("DOPLAYMEDIA");
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig->Ask("DOPLAYING"); }, 2000));
    EXPECT_LT(rig->Position(), 900);
    EXPECT_FALSE(rig->Ask("DOATEND"));

    // A stop keeps the position; RESUMEMEDIA goes on from there; the end stops the player.
    rig->Call("DOSTOPMEDIA");
    EXPECT_FALSE(rig->Ask("DOPLAYING"));
    const std::int32_t stopped = rig->Position();
    QTest::qWait(200);
    EXPECT_EQ(rig->Position(), stopped);
    rig->Call("DORESUMEMEDIA");
    EXPECT_TRUE(rig->Ask("DOPLAYING"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig->Ask("DOATEND") && !rig->Ask("DOPLAYING"); }, 5000));
    EXPECT_NEAR(rig->Position(), rig->Length(), 30);
    rig->Call("DOPREVIOUSTRACK");
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig->Ask("DOATZERO"); }, 2000));

    // A medium that cannot be played leaves the player empty, and nothing breaks.
    rig->Call("DONEW", File("missing.wav").toStdString());
    EXPECT_EQ(rig->Length(), 0);
    rig->Call("DOPLAYMEDIA");
    EXPECT_FALSE(rig->Ask("DOPLAYING"));
}

TEST_F(MediaWebCommands, AVideoFillsItsFigureAndStepsByFrames) {
    ASSERT_TRUE(WriteClip(File("clip.ogv"))) << "gst-launch-1.0 and GStreamer's theora and ogg "
                                                "elements are needed (scripts/setup.sh installs them)";
    rig->Call("DOINIT", File("clip.ogv").toStdString(), 0);
    EXPECT_NEAR(rig->Length(), 2000, 50);

    // The picture fills the figure and follows its size.
    QWidget* picture = nullptr;
    for (QWidget* child : m_screen->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isHidden())
            picture = child;
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->geometry(), m_screen->rect());
    m_screen->resize(200, 150);
    EXPECT_EQ(picture->size(), QSize(200, 150));

    // 25 frames a second: a step is 40 ms.
    rig->Call("DOSTEPMEDIA");
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig->Position() == 40; }, 2000)) << rig->Position();
    rig->Call("DOSTEPMEDIA");
    rig->Call("DOBACKMEDIA");
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig->Position() == 40; }, 2000)) << rig->Position();

    rig->Call("DOPLAYMEDIA");
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig->Position() >= 500; }, 5000));

    // Another figure with no player of its own drives the player used last.
    auto* other = new screens::TSimple(&m_form->Client());
    other->SetNames("TCSIMPLE", "OTHER");
    screens::SetCurrentFigure(other);
    EXPECT_TRUE(rig->Ask("DOPLAYING"));
    rig->Call("DOSTOPMEDIA");
    EXPECT_FALSE(rig->Ask("DOPLAYING"));

    // The player goes with its figure.
    delete m_screen;
    m_screen = nullptr;
    EXPECT_EQ(rig->Length(), 0);
    EXPECT_FALSE(rig->Ask("DOPLAYING"));
}

TEST_F(MediaWebCommands, TheWebBrowserNavigatesAndKeepsItsHistory) {
    for (const char* page : {"one", "two"}) {
        QFile file(File((std::string(page) + ".html").c_str()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("<html><head><title>%1</title></head><body><p>page %1 of the "
                                  "tank</p></body></html>")
                       .arg(QString::fromLatin1(page).toUpper())
                       .toUtf8());
    }
    rig->Call("DOCREATE");
    const std::int32_t handle = rig->Get<std::int32_t>("HANDLE");
    ASSERT_NE(handle, 0) << "the web module did not load: see the log";
    screens::WebBrowser* browser = screens::Globals().webBrowsers.Find(handle);
    ASSERT_NE(browser, nullptr);
    auto shows = [&](const char* title) {
        return QTest::qWaitFor(
            [&] { return !browser->Loading() && browser->Title() == QLatin1String(title); }, 20000);
    };

    // A project file name, then a whole address.
    rig->Call("DONAVIGATE", File("one.html").toStdString());
    ASSERT_TRUE(shows("ONE")) << browser->Url().toStdString();
    rig->Call("DONAVIGATE", QUrl::fromLocalFile(File("two.html")).toString().toStdString());
    ASSERT_TRUE(shows("TWO")) << browser->Url().toStdString();
    EXPECT_TRUE(browser->CanGoBack());
    EXPECT_FALSE(browser->CanGoForward());

    rig->Call("DOWEBGOBACK");
    EXPECT_TRUE(shows("ONE"));
    EXPECT_TRUE(browser->CanGoForward());
    rig->Call("DOWEBGOFORWARD");
    EXPECT_TRUE(shows("TWO"));
    // Home is the first page it showed; so is the search page of a panel.
    rig->Call("DOWEBGOHOME");
    EXPECT_TRUE(shows("ONE"));
    rig->Call("DONAVIGATE", File("two.html").toStdString());
    EXPECT_TRUE(shows("TWO"));
    rig->Call("DOWEBGOSEARCH");
    EXPECT_TRUE(shows("ONE"));
    rig->Call("DOWEBREFRESH");
    EXPECT_TRUE(shows("ONE"));
    rig->Call("DOWEBSTOP");

    // WEBSEARCH shows the find bar above the page.
    QLineEdit* findBar = m_form->findChild<QLineEdit*>();
    ASSERT_NE(findBar, nullptr);
    EXPECT_TRUE(findBar->isHidden());
    rig->Call("DOWEBSEARCH");
    EXPECT_FALSE(findBar->isHidden());

    // Handles that name no browser do nothing.
    for (std::int32_t stranger : {0, -1, handle + 1}) {
        rig->Set<std::int32_t>("HANDLE", stranger);
        rig->Call("DOWEBGOBACK");
        rig->Call("DONAVIGATE", File("two.html").toStdString());
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !browser->Loading(); }, 5000));
    EXPECT_EQ(browser->Title(), QLatin1String("ONE"));

    // The browser goes with its window; its handle then finds nothing, and without a window
    // none is made.
    m_form.reset();
    EXPECT_EQ(screens::Globals().webBrowsers.Find(handle), nullptr);
    rig->Set<std::int32_t>("HANDLE", handle);
    rig->Call("DOWEBGOHOME");
    rig->Call("DOCREATE");
    EXPECT_EQ(rig->Get<std::int32_t>("HANDLE"), 0);
}

TEST(LinkModules, AMissingModuleIsRefusedOnce) {
    EXPECT_EQ(screens::LinkModuleSymbol("quorva_no_such_module", "quorva_create_media_player"),
              nullptr);
    EXPECT_EQ(screens::LinkModuleSymbol("quorva_no_such_module", "quorva_create_media_player"),
              nullptr);
    EXPECT_NE(screens::LinkModuleSymbol("quorva_media", "quorva_create_media_player"), nullptr);
    EXPECT_EQ(screens::LinkModuleSymbol("quorva_media", "no_such_symbol"), nullptr);
    EXPECT_NE(screens::LinkModuleSymbol("quorva_media", "quorva_create_media_player"), nullptr);
}
