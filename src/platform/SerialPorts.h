// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace platform {

// Line settings as termios takes them: the speed code (B9600 ...) and the control bits (CSIZE,
// PARENB, PARODD, CMSPAR, CSTOPB), with the rate they stand for in bits per second.
struct SerialLineSettings {
    unsigned rate = 0;
    unsigned speed = 0;       // a speed_t
    unsigned controlBits = 0; // tcflag_t bits
};

// Serial ports COM1..COM16 on termios. "COMn" is the device /dev/ttyS(n-1) unless the
// configuration maps it elsewhere (for example COM3 to /dev/ttyUSB0). A port is opened once,
// exclusively, and stays open until the table goes; writes go out only on a ready port.
class SerialPorts {
public:
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 16;

    SerialPorts();
    ~SerialPorts(); // closes the ports
    SerialPorts(const SerialPorts&) = delete;
    SerialPorts& operator=(const SerialPorts&) = delete;

    // Maps port n to a device path (empty: back to the default).
    void MapDevice(int port, std::string devicePath);
    // Reads the [Ports] section ("COM3=/dev/ttyUSB0") of the run-time's configuration files: the
    // project's "quorva.ini" in `projectDirectory`, then $XDG_CONFIG_HOME/quorva/quorva.ini, whose
    // entries win (the machine knows its devices).
    void LoadDeviceMap(const std::string& projectDirectory);
    std::string DevicePath(int port) const;

    // Opens port `portText` (its number as text) with the line settings (baud as text, parity
    // letter N/E/O/M/S, data bits letter "5".."8", stop bits "1"/"1.5"/"2", as the mode syntax
    // writes them). True only when this call opened and configured the port; false for bad
    // settings, a port already opened, a missing or busy device.
    bool Open(std::string_view portText, std::string_view baud, std::string_view parity,
              std::string_view dataBits, std::string_view stopBits);
    bool Ready(int port) const; // false outside 1..16
    // Checks the line settings of an open (as Open takes them; blanks around a value are ignored)
    // and gives them in termios terms, or why they are refused.
    static Result<SerialLineSettings> ParseLineSettings(std::string_view baud,
                                                        std::string_view parity,
                                                        std::string_view dataBits,
                                                        std::string_view stopBits);
    // Writes all of `bytes` when the port is ready (short writes are continued); gives up, and
    // logs, when the device takes nothing for the write time-out.
    void Write(int port, std::string_view bytes);
    void SetWriteTimeout(std::chrono::milliseconds timeout);

private:
    struct Port;
    mutable std::mutex m_mutex;
    std::map<int, std::string> m_devices;
    std::unique_ptr<Port[]> m_ports;
    std::chrono::milliseconds m_writeTimeout{2000};
};

} // namespace platform
