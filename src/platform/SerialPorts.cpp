// Quorva run-time. Licensed under the MIT licence.
#include "platform/SerialPorts.h"

#include "platform/ConfigFile.h"
#include "platform/Log.h"
#include "platform/Result.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {

// One port of the table. `fd` and `ready` change only under the table's lock, and only from
// closed to open (the destructor closes); `writeMutex` serialises the writes to this port so
// that a stalled port never holds up the others, and guards `stalled`.
struct SerialPorts::Port {
    int fd = -1;
    bool ready = false;
    std::mutex writeMutex;
    bool stalled = false; // the last write gave up; said once until a write completes again
};

namespace {

constexpr std::size_t kPortCount = SerialPorts::kLastPort - SerialPorts::kFirstPort + 1;

bool InRange(int port) {
    return port >= SerialPorts::kFirstPort && port <= SerialPorts::kLastPort;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

char UpperChar(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// A decimal number of at most a few digits, nothing else.
std::optional<int> ParseSmallNumber(std::string_view text) {
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

std::string DefaultDevice(int port) {
    return "/dev/ttyS" + std::to_string(port - 1);
}

struct BaudRate {
    unsigned rate;
    speed_t speed;
};

// The rates termios names; the higher ones only where this system's termios has them.
constexpr BaudRate kBaudRates[] = {
    {50, B50},           {75, B75},         {110, B110},   {134, B134},     {150, B150},
    {200, B200},         {300, B300},       {600, B600},   {1200, B1200},   {1800, B1800},
    {2400, B2400},       {4800, B4800},     {9600, B9600}, {19200, B19200}, {38400, B38400},
    {57600, B57600},     {115200, B115200},
#ifdef B230400
    {230400, B230400},
#endif
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B500000
    {500000, B500000},
#endif
#ifdef B576000
    {576000, B576000},
#endif
#ifdef B921600
    {921600, B921600},
#endif
#ifdef B1000000
    {1000000, B1000000},
#endif
#ifdef B1152000
    {1152000, B1152000},
#endif
#ifdef B1500000
    {1500000, B1500000},
#endif
#ifdef B2000000
    {2000000, B2000000},
#endif
#ifdef B2500000
    {2500000, B2500000},
#endif
#ifdef B3000000
    {3000000, B3000000},
#endif
#ifdef B3500000
    {3500000, B3500000},
#endif
#ifdef B4000000
    {4000000, B4000000},
#endif
};

// The mode syntax's two-digit short forms ("96" for 9600).
constexpr std::pair<unsigned, unsigned> kShortBaudRates[] = {
    {11, 110},  {15, 150},  {30, 300},  {60, 600},   {12, 1200},
    {24, 2400}, {48, 4800}, {96, 9600}, {19, 19200},
};

static_assert(sizeof(speed_t) <= sizeof(unsigned) && sizeof(tcflag_t) <= sizeof(unsigned));

constexpr tcflag_t kLineMask = CSIZE | PARENB | PARODD | CSTOPB
#ifdef CMSPAR
                               | CMSPAR
#endif
    ;

// An open descriptor that is closed when it goes, unless released.
class DeviceHandle {
public:
    explicit DeviceHandle(int fd) : m_fd(fd) {}
    ~DeviceHandle() {
        if (m_fd >= 0) {
            if (m_exclusive)
                ::ioctl(m_fd, TIOCNXCL);
            ::close(m_fd);
        }
    }
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;
    int Get() const { return m_fd; }
    void MarkExclusive() { m_exclusive = true; }
    int Release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
    bool m_exclusive = false;
};

bool IsPseudoTerminal(const struct stat& status) {
    // The slave side of Unix 98 pseudo-terminals (majors 136..143) and of the legacy ones (3).
    const unsigned kind = major(status.st_rdev);
    return (kind >= 136 && kind <= 143) || kind == 3;
}

std::string ErrorText(int error) {
    return std::strerror(error);
}

// Opens an existing terminal device for this process alone and applies the settings. The open
// itself does not wait for a carrier (O_NONBLOCK), and the descriptor stays non-blocking: writes
// wait for room with poll() so that they can be bounded.
Result<int> OpenTerminal(const std::string& path, const SerialLineSettings& settings) {
    // Look before opening so that opening has no side effect on a device that is not a terminal.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return Fail(fmt::format("cannot open {}: {}", path, ErrorText(errno)));
    if (!S_ISCHR(status.st_mode))
        return Fail(fmt::format("{} is not a terminal device", path));

    DeviceHandle device(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (device.Get() < 0)
        return Fail(fmt::format("cannot open {}: {}", path, ErrorText(errno)));
    if (::fstat(device.Get(), &status) != 0 || !S_ISCHR(status.st_mode) || !::isatty(device.Get()))
        return Fail(fmt::format("{} is not a terminal device", path));

    // TIOCEXCL refuses every later open of the terminal (a privileged process may still open
    // it); the lock also refuses other run-times and port tables, privileged or not.
    if (::flock(device.Get(), LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        return Fail(error == EWOULDBLOCK
                        ? fmt::format("{} is in use", path)
                        : fmt::format("cannot lock {}: {}", path, ErrorText(error)));
    }
    if (::ioctl(device.Get(), TIOCEXCL) != 0)
        return Fail(fmt::format("cannot open {} exclusively: {}", path, ErrorText(errno)));
    device.MarkExclusive();

    termios mode{};
    if (::tcgetattr(device.Get(), &mode) != 0)
        return Fail(fmt::format("cannot read the settings of {}: {}", path, ErrorText(errno)));
    ::cfmakeraw(&mode);
    mode.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    mode.c_cflag &= ~static_cast<tcflag_t>(kLineMask | CRTSCTS);
    mode.c_cflag |= CLOCAL | CREAD | settings.controlBits;
    if (::cfsetospeed(&mode, settings.speed) != 0 || ::cfsetispeed(&mode, settings.speed) != 0 ||
        ::tcsetattr(device.Get(), TCSANOW, &mode) != 0)
        return Fail(fmt::format("cannot apply the settings to {}: {}", path, ErrorText(errno)));

    // tcsetattr succeeds when any part of the change took; a driver that cannot do the speed,
    // the data bits or the parity leaves its own value, which would be sent wrongly. A
    // pseudo-terminal has no wire: it keeps the speed and stop bits but always reports 8 data
    // bits without parity, which is no fault.
    termios applied{};
    if (::tcgetattr(device.Get(), &applied) != 0)
        return Fail(fmt::format("cannot read the settings of {}: {}", path, ErrorText(errno)));
    const tcflag_t checked =
        IsPseudoTerminal(status) ? kLineMask & ~tcflag_t{CSIZE | PARENB} : kLineMask;
    if (::cfgetospeed(&applied) != settings.speed ||
        (applied.c_cflag & checked) != (settings.controlBits & checked))
        return Fail(fmt::format("{} does not take these settings", path));
    return device.Release();
}

// What became of one write.
struct WriteOutcome {
    std::size_t written = 0;
    int error = 0; // 0: all written; ETIMEDOUT: no room for the time-out; else the write's error
};

WriteOutcome WriteAll(int fd, std::string_view bytes, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    WriteOutcome outcome;
    // The time-out counts from the last progress: a slow device that keeps taking bytes gets the
    // whole text, a device that takes nothing for the time-out gets no more.
    Clock::time_point deadline = Clock::now() + timeout;
    while (outcome.written < bytes.size()) {
        const ssize_t count =
            ::write(fd, bytes.data() + outcome.written, bytes.size() - outcome.written);
        if (count > 0) {
            outcome.written += static_cast<std::size_t>(count);
            deadline = Clock::now() + timeout;
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            outcome.error = errno;
            return outcome;
        }
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            outcome.error = ETIMEDOUT;
            return outcome;
        }
        pollfd wait{fd, POLLOUT, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(std::min<long long>(left, 60'000)));
        if (ready < 0 && errno != EINTR) {
            outcome.error = errno;
            return outcome;
        }
        if (ready > 0 && (wait.revents & POLLOUT) == 0 &&
            (wait.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            outcome.error = EIO; // the device went away; writing again would only spin
            return outcome;
        }
    }
    return outcome;
}

// Lets queued output go out before a port is closed (closing would otherwise wait for the
// driver's own limit, or drop it), but no longer than `timeout` without progress.
void DrainBeforeClose(int fd, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    int queued = 0;
    int previous = -1;
    Clock::time_point deadline = Clock::now() + timeout;
    while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0) {
        if (queued != previous) {
            previous = queued;
            deadline = Clock::now() + timeout;
        } else if (Clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::tcflush(fd, TCOFLUSH);
}

// The "COMn=path" entries of the [Ports] sections of the configuration files, in the order they
// apply; a malformed line is logged and left out.
std::vector<std::pair<int, std::string>> ReadPortsSections(const std::string& projectDirectory) {
    std::vector<std::pair<int, std::string>> entries;
    for (const ConfigEntry& entry : ReadConfigSections(projectDirectory, "Ports", "serial")) {
        const std::string_view key = entry.key;
        std::optional<int> port;
        if (key.size() > 3 && EqualsNoCase(key.substr(0, 3), "COM"))
            port = ParseSmallNumber(key.substr(3));
        if (!entry.hasValue || !port || !InRange(*port)) {
            LogWarning("serial: {}:{}: \"{}\" is not COM1..COM16=device; line ignored",
                       entry.file.string(), entry.line, entry.text);
            continue;
        }
        if (!entry.value.empty() && entry.value.front() != '/') {
            LogWarning("serial: {}:{}: device \"{}\" is not an absolute path; line ignored",
                       entry.file.string(), entry.line, entry.value);
            continue;
        }
        LogInfo("serial: COM{} is {} ({})", *port,
                entry.value.empty() ? DefaultDevice(*port) : entry.value, entry.file.string());
        entries.emplace_back(*port, entry.value);
    }
    return entries;
}

} // namespace

Result<SerialLineSettings> SerialPorts::ParseLineSettings(std::string_view baudText,
                                                          std::string_view parityText,
                                                          std::string_view dataText,
                                                          std::string_view stopText) {
    baudText = Trim(baudText);
    parityText = Trim(parityText);
    dataText = Trim(dataText);
    stopText = Trim(stopText);
    SerialLineSettings settings;
    const std::optional<int> baud = ParseSmallNumber(baudText);
    if (!baud)
        return Fail(fmt::format("baud rate \"{}\" is not a number", baudText));
    unsigned rate = static_cast<unsigned>(*baud);
    for (const auto& [shortForm, full] : kShortBaudRates) {
        if (rate == shortForm) {
            rate = full;
            break;
        }
    }
    const auto found = std::find_if(std::begin(kBaudRates), std::end(kBaudRates),
                                    [&](const BaudRate& entry) { return entry.rate == rate; });
    if (found == std::end(kBaudRates))
        return Fail(fmt::format("baud rate {} is not a standard rate", *baud));
    settings.rate = rate;
    settings.speed = found->speed;

    if (dataText.size() != 1 || dataText[0] < '5' || dataText[0] > '8')
        return Fail(fmt::format("data bits \"{}\" is not 5, 6, 7 or 8", dataText));
    constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    settings.controlBits |= kSizes[dataText[0] - '5'];

    if (parityText.size() != 1)
        return Fail(fmt::format("parity \"{}\" is not N, E, O, M or S", parityText));
    switch (UpperChar(parityText[0])) {
    case 'N':
        break;
    case 'E':
        settings.controlBits |= PARENB;
        break;
    case 'O':
        settings.controlBits |= PARENB | PARODD;
        break;
#ifdef CMSPAR
    // With CMSPAR the parity bit is constant: 1 (mark) with PARODD, 0 (space) without.
    case 'M':
        settings.controlBits |= PARENB | CMSPAR | PARODD;
        break;
    case 'S':
        settings.controlBits |= PARENB | CMSPAR;
        break;
#else
    case 'M':
    case 'S':
        return Fail("mark and space parity are not available on this system");
#endif
    default:
        return Fail(fmt::format("parity \"{}\" is not N, E, O, M or S", parityText));
    }

    // termios knows one or two stop bits; 1.5 asks for two (a UART with 5 data bits sends 1.5
    // for that setting).
    if (stopText == "2" || stopText == "1.5")
        settings.controlBits |= CSTOPB;
    else if (stopText != "1")
        return Fail(fmt::format("stop bits \"{}\" is not 1, 1.5 or 2", stopText));
    return settings;
}

SerialPorts::SerialPorts() : m_ports(std::make_unique<Port[]>(kPortCount)) {}

SerialPorts::~SerialPorts() {
    for (std::size_t i = 0; i < kPortCount; ++i) {
        Port& port = m_ports[i];
        if (port.fd < 0)
            continue;
        DrainBeforeClose(port.fd, m_writeTimeout);
        ::ioctl(port.fd, TIOCNXCL);
        ::close(port.fd);
    }
}

void SerialPorts::MapDevice(int port, std::string devicePath) {
    if (!InRange(port)) {
        LogWarning("serial: no port {} to map (ports are 1..16)", port);
        return;
    }
    std::lock_guard lock(m_mutex);
    if (devicePath.empty())
        m_devices.erase(port);
    else
        m_devices[port] = std::move(devicePath);
}

void SerialPorts::LoadDeviceMap(const std::string& projectDirectory) {
    // Project entries first, so that the machine's own entries replace them.
    for (auto& [port, path] : ReadPortsSections(projectDirectory))
        MapDevice(port, std::move(path));
}

std::string SerialPorts::DevicePath(int port) const {
    if (!InRange(port))
        return {};
    std::lock_guard lock(m_mutex);
    const auto mapped = m_devices.find(port);
    return mapped != m_devices.end() ? mapped->second : DefaultDevice(port);
}

bool SerialPorts::Open(std::string_view portText, std::string_view baud, std::string_view parity,
                       std::string_view dataBits, std::string_view stopBits) {
    const std::optional<int> port = ParseSmallNumber(Trim(portText));
    if (!port || !InRange(*port)) {
        LogWarning("serial: \"{}\" is not a port number 1..16", portText);
        return false;
    }
    const std::string mode = fmt::format("COM{}: baud={} parity={} data={} stop={}", *port,
                                         Trim(baud), Trim(parity), Trim(dataBits), Trim(stopBits));
    const Result<SerialLineSettings> settings = ParseLineSettings(baud, parity, dataBits, stopBits);
    if (!settings) {
        LogWarning("serial: {}: {}; port not opened", mode, settings.Error());
        return false;
    }

    const std::string path = DevicePath(*port);
    std::lock_guard lock(m_mutex);
    Port& entry = m_ports[static_cast<std::size_t>(*port - kFirstPort)];
    if (entry.ready) {
        LogInfo("serial: COM{} is already open", *port);
        return false;
    }
    const Result<int> fd = OpenTerminal(path, settings.Value());
    if (!fd) {
        LogWarning("serial: {}: {}", mode, fd.Error());
        return false;
    }
    entry.fd = fd.Value();
    entry.ready = true;
    LogInfo("serial: {} on {}", mode, path);
    return true;
}

bool SerialPorts::Ready(int port) const {
    if (!InRange(port))
        return false;
    std::lock_guard lock(m_mutex);
    return m_ports[static_cast<std::size_t>(port - kFirstPort)].ready;
}

void SerialPorts::Write(int port, std::string_view bytes) {
    if (!InRange(port))
        return;
    Port* entry = nullptr;
    std::chrono::milliseconds timeout{};
    {
        std::lock_guard lock(m_mutex);
        entry = &m_ports[static_cast<std::size_t>(port - kFirstPort)];
        if (!entry->ready)
            return;
        timeout = m_writeTimeout;
    }
    // An open port's descriptor stays until the destructor, so it is used outside the table's
    // lock; only writes to this port wait for each other.
    std::lock_guard writeLock(entry->writeMutex);
    const WriteOutcome outcome = WriteAll(entry->fd, bytes, timeout);
    if (outcome.error == 0) {
        if (entry->stalled)
            LogInfo("serial: COM{} takes output again", port);
        entry->stalled = false;
        return;
    }
    if (entry->stalled)
        return;
    entry->stalled = true;
    const std::string reason =
        outcome.error == ETIMEDOUT
            ? fmt::format("the device took nothing for {} ms", timeout.count())
            : ErrorText(outcome.error);
    LogWarning("serial: COM{}: {}; {} of {} bytes dropped (said once until the port takes "
               "output again)",
               port, reason, bytes.size() - outcome.written, bytes.size());
}

void SerialPorts::SetWriteTimeout(std::chrono::milliseconds timeout) {
    std::lock_guard lock(m_mutex);
    // A day stands for "as long as it takes" and keeps the deadline arithmetic in range.
    m_writeTimeout = std::clamp(timeout, std::chrono::milliseconds(0),
                                std::chrono::milliseconds(std::chrono::hours(24)));
}

} // namespace platform
