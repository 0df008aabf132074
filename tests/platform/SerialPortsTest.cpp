// Quorva run-time. Licensed under the MIT licence.
#include "platform/SerialPorts.h"

#include "TestSupport.h"
#include "platform/Log.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using platform::SerialPorts;
using namespace std::chrono_literals;
constexpr platform::LogLevel kWarning = platform::LogLevel::Warning;
constexpr platform::LogLevel kInfo = platform::LogLevel::Info;

namespace {

// A pseudo-terminal pair joined by socat: bytes written to A come out of B. Both ends are held
// open by the test (B to read, A to look at the settings the port table applied), so that the
// pair stays up while port tables come and go.
class SerialPtyPair {
public:
    SerialPtyPair() {
        const std::string a = "pty,raw,echo=0,link=" + (m_dir / "ttyA").string();
        const std::string b = "pty,raw,echo=0,link=" + (m_dir / "ttyB").string();
        std::vector<char*> argv = {const_cast<char*>("socat"),   const_cast<char*>("-d"),
                                   const_cast<char*>("-d"),      const_cast<char*>(a.c_str()),
                                   const_cast<char*>(b.c_str()), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int spawned =
            ::posix_spawnp(&m_socat, "socat", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            m_socat = -1;
            return;
        }
        // socat makes the links once both terminals exist.
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!(std::filesystem::exists(A()) && std::filesystem::exists(B()))) {
            if (std::chrono::steady_clock::now() > deadline)
                return;
            std::this_thread::sleep_for(10ms);
        }
        m_observerA = ::open(A().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        m_readerB = ::open(B().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios raw{};
        if (m_readerB >= 0 && ::tcgetattr(m_readerB, &raw) == 0) {
            ::cfmakeraw(&raw);
            ::tcsetattr(m_readerB, TCSANOW, &raw);
        }
    }
    ~SerialPtyPair() {
        for (int fd : {m_observerA, m_readerB}) {
            if (fd >= 0)
                ::close(fd);
        }
        if (m_socat > 0) {
            ::kill(m_socat, SIGTERM);
            ::waitpid(m_socat, nullptr, 0);
        }
    }
    SerialPtyPair(const SerialPtyPair&) = delete;
    SerialPtyPair& operator=(const SerialPtyPair&) = delete;

    bool Up() const { return m_observerA >= 0 && m_readerB >= 0; }
    std::string A() const { return (m_dir / "ttyA").string(); }
    std::string B() const { return (m_dir / "ttyB").string(); }
    const testsupport::TempDir& Dir() const { return m_dir; }

    // The settings of terminal A as the driver holds them.
    termios SettingsOfA() const {
        termios mode{};
        EXPECT_EQ(::tcgetattr(m_observerA, &mode), 0);
        return mode;
    }

    // Reads B until `done` holds for what came (or twenty seconds passed), taking at most
    // `chunk` bytes and then pausing for `pause` each time, as a slow device would.
    std::string ReadB(const std::function<bool(const std::string&)>& done,
                      std::size_t chunk = 65536, std::chrono::milliseconds pause = 0ms) const {
        std::string got;
        std::vector<char> buffer(chunk);
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (!done(got) && std::chrono::steady_clock::now() < deadline) {
            pollfd wait{m_readerB, POLLIN, 0};
            if (::poll(&wait, 1, 100) <= 0)
                continue;
            const ssize_t n = ::read(m_readerB, buffer.data(), chunk);
            if (n > 0)
                got.append(buffer.data(), static_cast<std::size_t>(n));
            std::this_thread::sleep_for(pause);
        }
        return got;
    }
    std::string ReadB(std::size_t count) const {
        return ReadB([count](const std::string& got) { return got.size() >= count; });
    }

    // Puts A in the terminal's cooked mode (line editing, echo, LF to CR LF, XON/XOFF), so that
    // opening it has something to undo.
    void MakeACooked() const {
        termios mode = SettingsOfA();
        mode.c_oflag |= OPOST | ONLCR;
        mode.c_lflag |= ICANON | ECHO | ISIG;
        mode.c_iflag |= IXON | IXOFF;
        EXPECT_EQ(::tcsetattr(m_observerA, TCSANOW, &mode), 0);
    }

private:
    testsupport::TempDir m_dir;
    pid_t m_socat = -1;
    int m_observerA = -1;
    int m_readerB = -1;
};

// Captures the log lines (info and above) for the life of the object.
class SerialLogCapture {
public:
    SerialLogCapture() : m_level(platform::log::Level()) {
        platform::log::SetLevel(platform::LogLevel::Info);
        m_previous =
            platform::log::SetSink([this](platform::LogLevel level, std::string_view text) {
                std::lock_guard lock(m_mutex);
                m_lines.emplace_back(level, text);
            });
    }
    ~SerialLogCapture() {
        platform::log::SetSink(m_previous);
        platform::log::SetLevel(m_level);
    }
    SerialLogCapture(const SerialLogCapture&) = delete;
    SerialLogCapture& operator=(const SerialLogCapture&) = delete;

    // How many lines at `level` hold `part`.
    std::size_t Count(platform::LogLevel level, std::string_view part) {
        std::lock_guard lock(m_mutex);
        return static_cast<std::size_t>(
            std::count_if(m_lines.begin(), m_lines.end(), [&](auto& line) {
                return line.first == level && line.second.find(part) != std::string::npos;
            }));
    }

private:
    platform::LogLevel m_level;
    platform::log::Sink m_previous;
    std::mutex m_mutex;
    std::vector<std::pair<platform::LogLevel, std::string>> m_lines;
};

// Sets an environment variable (or unsets it, for nullopt) for the life of the object.
class SerialScopedEnv {
public:
    SerialScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~SerialScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    SerialScopedEnv(const SerialScopedEnv&) = delete;
    SerialScopedEnv& operator=(const SerialScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

#define REQUIRE_PTY_PAIR(pair)                                                                     \
    if (!(pair).Up())                                                                              \
    GTEST_SKIP() << "socat could not make a pseudo-terminal pair"

} // namespace

TEST(SerialPorts, LineSettingsReachTheDeviceAndBytesGoOutUnchanged) {
    SerialPtyPair pair;
    REQUIRE_PTY_PAIR(pair);
    // A pseudo-terminal keeps the speed, the stop bits and the parity kind; it always reports 8
    // data bits without parity (those two are checked on the parsed settings below).
    const tcflag_t lineBits = PARODD | CSTOPB | CMSPAR;
    {
        SerialPorts ports;
        ports.MapDevice(5, pair.A());
        EXPECT_EQ(ports.DevicePath(5), pair.A());
        pair.MakeACooked();
        ASSERT_TRUE(ports.Open("5", "9600", "e", "7", "2")); // letters are taken in any case
        EXPECT_TRUE(ports.Ready(5));
        const termios mode = pair.SettingsOfA();
        EXPECT_EQ(cfgetospeed(&mode), speed_t{B9600});
        EXPECT_EQ(mode.c_cflag & lineBits, tcflag_t{CSTOPB});
        // Raw: no output processing (no LF to CR LF), no echo, no line editing, no flow control.
        EXPECT_EQ(mode.c_oflag & OPOST, 0u);
        EXPECT_EQ(mode.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(mode.c_iflag & (IXON | IXOFF), 0u);
        EXPECT_EQ(mode.c_cflag & CRTSCTS, 0u);
        EXPECT_NE(mode.c_cflag & CLOCAL, 0u);

        constexpr char kLine[] = "12/05/2024 10:00:00 Pump 3 failed\r\n\0\xFF\x7F\n";
        const std::string line(kLine, sizeof kLine - 1);
        ports.Write(5, line);
        EXPECT_EQ(pair.ReadB(line.size()), line);
    }
    {
        // The first table closed and released the device; a new one opens it again.
        SerialPorts ports;
        ports.MapDevice(5, pair.A());
        ASSERT_TRUE(ports.Open(" 5 ", "115200", "M", "8", "1.5"));
        termios mode = pair.SettingsOfA();
        EXPECT_EQ(cfgetospeed(&mode), speed_t{B115200});
        EXPECT_EQ(mode.c_cflag & lineBits, tcflag_t{CMSPAR | PARODD | CSTOPB});

        ports.MapDevice(6, pair.A()); // same device, other port: the lock still holds it
        EXPECT_FALSE(ports.Open("6", "9600", "N", "8", "1"));
        EXPECT_FALSE(ports.Ready(6));
    }
}

TEST(SerialPorts, LineSettingsTranslateToTermios) {
    struct Case {
        const char* baud;
        const char* parity;
        const char* data;
        const char* stop;
        unsigned rate;
        speed_t speed;
        tcflag_t bits;
    };
    const Case cases[] = {
        {"9600", "N", "8", "1", 9600, B9600, CS8},
        {" 19200 ", "e", "7", "2", 19200, B19200, CS7 | PARENB | CSTOPB},
        {"300", "O", "6", "1", 300, B300, CS6 | PARENB | PARODD},
        {"110", "m", "5", "1.5", 110, B110, CS5 | PARENB | PARODD | CMSPAR | CSTOPB},
        {"115200", "S", "8", "1", 115200, B115200, CS8 | PARENB | CMSPAR},
        {"230400", "N", "8", "1", 230400, B230400, CS8},
        {"96", "N", "8", "1", 9600, B9600, CS8}, // the mode syntax's short forms
        {"12", "N", "8", "1", 1200, B1200, CS8},
        {"19", "N", "8", "1", 19200, B19200, CS8},
        {"11", "N", "8", "1", 110, B110, CS8},
    };
    for (const Case& c : cases) {
        const auto settings = SerialPorts::ParseLineSettings(c.baud, c.parity, c.data, c.stop);
        ASSERT_TRUE(settings.IsOk()) << c.baud << " " << settings.Error();
        EXPECT_EQ(settings->rate, c.rate) << c.baud;
        EXPECT_EQ(settings->speed, c.speed) << c.baud;
        EXPECT_EQ(settings->controlBits, c.bits) << c.baud << " " << c.parity << " " << c.data;
    }
    const auto refused = SerialPorts::ParseLineSettings("9600", "Q", "8", "1");
    ASSERT_FALSE(refused.IsOk());
    EXPECT_NE(refused.Error().find("parity"), std::string::npos) << refused.Error();
}

TEST(SerialPorts, APortOpensOnceKeepsItsHandleAndWritesStayWhole) {
    SerialPtyPair pair;
    REQUIRE_PTY_PAIR(pair);
    SerialPorts ports;
    ports.MapDevice(5, pair.A());
    ASSERT_TRUE(ports.Open("5", "19200", "O", "8", "1"));
    // A second open fails, whatever its settings, and leaves the first one as it was.
    EXPECT_FALSE(ports.Open("5", "9600", "N", "7", "2"));
    EXPECT_TRUE(ports.Ready(5));
    termios mode = pair.SettingsOfA();
    EXPECT_EQ(cfgetospeed(&mode), speed_t{B19200});
    EXPECT_EQ(mode.c_cflag & (PARODD | CSTOPB), tcflag_t{PARODD});
    ports.Write(5, "still here\n");
    EXPECT_EQ(pair.ReadB(11), "still here\n");

    // Another table cannot take the device either.
    SerialPorts other;
    other.MapDevice(9, pair.A());
    EXPECT_FALSE(other.Open("9", "9600", "N", "8", "1"));

    // Texts written at the same time from several threads arrive whole, even when each takes
    // many partial writes (they are larger than what the terminals buffer).
    constexpr int kThreads = 4;
    constexpr int kTexts = 20;
    constexpr std::size_t kTextSize = 8000;
    auto text = [](int t, int n) {
        std::string made = "T" + std::to_string(t) + "-" + std::to_string(n) + ":";
        made.resize(kTextSize - 1, static_cast<char>('a' + t));
        return made + "\n";
    };
    std::string got;
    std::thread reader([&] { got = pair.ReadB(kThreads * kTexts * kTextSize); });
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&ports, &text, t] {
            for (int n = 0; n < kTexts; ++n)
                ports.Write(5, text(t, n));
        });
    }
    for (std::thread& writer : writers)
        writer.join();
    reader.join();
    ASSERT_EQ(got.size(), kThreads * kTexts * kTextSize);
    std::vector<int> next(kThreads, 0);
    for (std::size_t at = 0; at < got.size(); at += kTextSize) {
        const int t = got[at + 1] - '0';
        ASSERT_TRUE(got[at] == 'T' && t >= 0 && t < kThreads) << got.substr(at, 20);
        ASSERT_TRUE(got.compare(at, kTextSize, text(t, next[t]++)) == 0)
            << "text at " << at << " is mixed: " << got.substr(at, 20);
    }
}

TEST(SerialPorts, ASlowPeerGetsTheWholeText) {
    SerialPtyPair pair;
    REQUIRE_PTY_PAIR(pair);
    SerialLogCapture log;
    SerialPorts ports;
    ports.SetWriteTimeout(200ms);
    ports.MapDevice(5, pair.A());
    ASSERT_TRUE(ports.Open("5", "9600", "N", "8", "1"));
    const auto started = std::chrono::steady_clock::now();
    // The peer takes a chunk (a pseudo-terminal read gives at most 4 KiB) every 5 ms: the whole
    // write lasts longer than the time-out, but the device never goes a time-out without taking
    // bytes, so nothing is dropped.
    std::string text(512 * 1024, 'y');
    text.back() = '!';
    std::string got;
    std::thread reader([&] {
        got =
            pair.ReadB([&](const std::string& in) { return in.size() >= text.size(); }, 4096, 5ms);
    });
    ports.Write(5, text);
    reader.join();
    EXPECT_EQ(got.size(), text.size());
    EXPECT_TRUE(got == text);
    EXPECT_EQ(log.Count(kWarning, "COM5"), 0u);
    // Only a write that outlasts the time-out shows that the time-out counts from the last
    // progress.
    if (std::chrono::steady_clock::now() - started < 300ms)
        GTEST_SKIP() << "the peer read too fast to test a write longer than the time-out";
}

TEST(SerialPorts, BadSettingsBadDevicesAndBadPortNumbersOpenNothing) {
    SerialPtyPair pair;
    REQUIRE_PTY_PAIR(pair);
    SerialLogCapture log;
    SerialPorts ports;
    ports.MapDevice(5, pair.A());
    // Port, baud, parity, data bits and stop bits, separated by "|".
    const char* const bad[] = {
        "5|9601|N|8|1",   "5||N|8|1",        "5|fast|N|8|1",           "5|0|N|8|1",
        "5|-9600|N|8|1",  "5|9600x|N|8|1",   "5|9600|X|8|1",           "5|9600||8|1",
        "5|9600|NE|8|1",  "5|9600|N|4|1",    "5|9600|N|9|1",           "5|9600|N||1",
        "5|9600|N|8.0|1", "5|9600|N|8|3",    "5|9600|N|8|0",           "5|9600|N|8|1.0",
        "5|9600|N|8|",    "0|9600|N|8|1",    "17|9600|N|8|1",          "-1|9600|N|8|1",
        "|9600|N|8|1",    "COM5|9600|N|8|1", "99999999999|9600|N|8|1", "5|99999999999999|N|8|1"};
    for (const char* settings : bad) {
        std::string_view rest = settings;
        std::string_view field[5];
        for (std::string_view& value : field) {
            const std::size_t bar = std::min(rest.find('|'), rest.size());
            value = rest.substr(0, bar);
            rest.remove_prefix(std::min(bar + 1, rest.size()));
        }
        EXPECT_FALSE(ports.Open(field[0], field[1], field[2], field[3], field[4])) << settings;
        EXPECT_FALSE(ports.Ready(5));
    }
    EXPECT_GE(log.Count(kWarning, "9601"), 1u); // refusals say why
    // None of those left anything open: good settings still open the port.
    EXPECT_TRUE(ports.Open("5", "9600", "N", "8", "1"));

    // Devices that are missing or are not terminals are refused, untouched.
    const testsupport::TempDir& dir = pair.Dir();
    testsupport::WriteFile(dir / "plain", "keep");
    std::filesystem::create_directory(dir / "folder");
    ports.MapDevice(1, (dir / "missing").string());
    ports.MapDevice(2, (dir / "plain").string());
    ports.MapDevice(3, (dir / "folder").string());
    ports.MapDevice(4, "/dev/null"); // a character device, not a terminal
    for (const char* port : {"1", "2", "3", "4"}) {
        EXPECT_FALSE(ports.Open(port, "9600", "N", "8", "1")) << port;
        EXPECT_FALSE(ports.Ready(std::atoi(port))) << port;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "missing")); // never created
    EXPECT_EQ(log.Count(kWarning, (dir / "plain").string() + " is not a terminal"), 1u);

    // Writing to a port that never opened does nothing, not even to its mapped file.
    ports.Write(2, "lost");
    ports.Write(3, "lost");
    EXPECT_EQ(testsupport::ReadFile(dir / "plain"), "keep");
    // Port numbers outside 1..16 are never ready and take no writes or mappings.
    for (int port : {-1, 0, 17, 1000}) {
        EXPECT_FALSE(ports.Ready(port));
        ports.Write(port, "nothing");
        ports.MapDevice(port, "/dev/ttyS0");
        EXPECT_EQ(ports.DevicePath(port), "");
    }
    // The open port was not disturbed by all this.
    ports.Write(5, "ok");
    EXPECT_EQ(pair.ReadB(2), "ok");
}

TEST(SerialPorts, AWriteToAPeerThatStoppedReadingGivesUpAfterTheTimeout) {
    SerialPtyPair pair;
    REQUIRE_PTY_PAIR(pair);
    SerialLogCapture log;
    SerialPorts ports;
    ports.SetWriteTimeout(200ms);
    ports.MapDevice(5, pair.A());
    ASSERT_TRUE(ports.Open("5", "9600", "N", "8", "1"));

    // Nobody reads B: the terminals' buffers fill and the device stops taking bytes.
    const std::string flood(8 * 1024 * 1024, 'x');
    auto started = std::chrono::steady_clock::now();
    ports.Write(5, flood);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_EQ(log.Count(kWarning, "COM5"), 1u);
    EXPECT_EQ(log.Count(kWarning, "bytes dropped"), 1u);

    // The next write to the stalled port gives up too, without saying so again.
    started = std::chrono::steady_clock::now();
    ports.Write(5, "more");
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_EQ(log.Count(kWarning, "COM5"), 1u);
    EXPECT_TRUE(ports.Ready(5));

    // Once the peer reads again the port takes output, and says so.
    std::string drained;
    std::thread reader(
        [&] { drained = pair.ReadB([](const std::string& in) { return in.ends_with("<END>"); }); });
    ports.SetWriteTimeout(5000ms);
    ports.Write(5, "<END>");
    reader.join();
    ASSERT_TRUE(drained.ends_with("<END>"));
    EXPECT_LT(drained.size(), flood.size()); // part of the flood was dropped, not queued somewhere
    EXPECT_EQ(log.Count(kInfo, "COM5 takes output again"), 1u);
}

TEST(SerialPorts, DeviceMapReadsTheProjectThenTheMachineConfiguration) {
    testsupport::TempDir project;
    testsupport::TempDir config;
    std::filesystem::create_directories(config / "quorva");
    testsupport::WriteFile(project / "quorva.ini", "\xEF\xBB\xBF; project devices\r\n"
                                                   "[General]\r\n"
                                                   "COM1=/dev/not-a-port-line\r\n"
                                                   "[ ports ]\r\n"
                                                   "COM3=/dev/ttyUSB0\r\n"
                                                   "  com4 = /dev/ttyACM0  \r\n"
                                                   "# COM5=/dev/commented\r\n"
                                                   "COM6=/dev/serial/by-id/usb-printer#1\r\n"
                                                   "COM7=/dev/ttyUSB7\r\n"
                                                   "COM17=/dev/too-far\r\n"
                                                   "COM0=/dev/too-near\r\n"
                                                   "COMX=/dev/what\r\n"
                                                   "COM8\r\n"
                                                   "COM9=ttyUSB9\r\n"
                                                   "[Other]\r\n"
                                                   "COM10=/dev/other-section\r\n");
    testsupport::WriteFile(config / "quorva" / "quorva.ini",
                           "[PORTS]\n"
                           "Com3=/dev/ttyUSB9\n"
                           "COM7=\n"); // back to the default on this machine
    SerialLogCapture log;
    SerialPorts ports;
    {
        SerialScopedEnv xdg("XDG_CONFIG_HOME", config.Path().string());
        ports.LoadDeviceMap(project.Path().string());
    }
    EXPECT_EQ(ports.DevicePath(1), "/dev/ttyS0");
    EXPECT_EQ(ports.DevicePath(3), "/dev/ttyUSB9"); // the machine wins
    EXPECT_EQ(ports.DevicePath(4), "/dev/ttyACM0");
    EXPECT_EQ(ports.DevicePath(5), "/dev/ttyS4");
    EXPECT_EQ(ports.DevicePath(6), "/dev/serial/by-id/usb-printer#1");
    EXPECT_EQ(ports.DevicePath(7), "/dev/ttyS6");
    EXPECT_EQ(ports.DevicePath(8), "/dev/ttyS7");
    EXPECT_EQ(ports.DevicePath(9), "/dev/ttyS8");
    EXPECT_EQ(ports.DevicePath(10), "/dev/ttyS9");
    EXPECT_EQ(ports.DevicePath(16), "/dev/ttyS15");
    // Each unusable line is named with its file and line number.
    const std::string projectFile = (project / "quorva.ini").string();
    for (int line : {10, 11, 12, 13, 14})
        EXPECT_EQ(log.Count(kWarning, projectFile + ":" + std::to_string(line) + ":"), 1u) << line;

    // An explicit mapping replaces the file's; an empty one restores the default.
    ports.MapDevice(4, "/dev/ttyUSB4");
    EXPECT_EQ(ports.DevicePath(4), "/dev/ttyUSB4");
    ports.MapDevice(4, "");
    EXPECT_EQ(ports.DevicePath(4), "/dev/ttyS3");

    // Without XDG_CONFIG_HOME the machine file is under ~/.config; missing files are no error.
    testsupport::TempDir home;
    std::filesystem::create_directories(home / ".config" / "quorva");
    testsupport::WriteFile(home / ".config" / "quorva" / "quorva.ini",
                           "[Ports]\nCOM2=/dev/ttyAMA0\n");
    SerialScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
    SerialScopedEnv homeVariable("HOME", home.Path().string());
    SerialPorts fresh;
    fresh.LoadDeviceMap((project / "no-such-directory").string());
    EXPECT_EQ(fresh.DevicePath(2), "/dev/ttyAMA0");
    EXPECT_EQ(fresh.DevicePath(3), "/dev/ttyS2");
}
