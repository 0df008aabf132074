// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

namespace platform {

// Where the port-access service finds its devices.
struct PortAccessDevices {
    std::string ports = "/dev/port";   // byte at offset N is I/O port N
    std::string physical = "/dev/mem"; // byte at offset N is physical address N
};

// Raw I/O-port and physical-memory access for unit code, in the form of the I/O driver's four
// requests: each fills a fixed little-endian request buffer (bus type, port or segment:offset,
// vendor id, window length, value) and the result of a read is taken from that buffer afterwards.
// On Linux the requests go to the port and physical-memory devices, each opened once, on first
// use, for reading and writing (what was got is logged once). When a device cannot be opened
// (no privilege, no such device) requests do nothing: a read returns what its buffer held, 0
// until a read succeeded (writes use buffers of their own and never change what reads return). The
// bus type and vendor id travel in the buffers but select nothing on Linux. Physical addresses are
// real-mode: segment * 16 + offset, each taken as 16 bits.
//
// Contract: one per process, owned by the composition root, outliving the unit code that calls
// it. Any thread may call; calls are serialised by an internal lock.
class PortAccess {
public:
    explicit PortAccess(PortAccessDevices devices = {});
    ~PortAccess();
    PortAccess(const PortAccess&) = delete;
    PortAccess& operator=(const PortAccess&) = delete;

    std::uint8_t ReadPortByte(std::int32_t busType, std::uint16_t port);
    void WritePortByte(std::int32_t busType, std::uint16_t port, std::uint8_t value);
    std::uint16_t ReadMemoryWord(std::int32_t busType, std::uint16_t vendorId,
                                 std::uint16_t segment, std::uint16_t offset);
    void WriteMemoryWord(std::int32_t busType, std::uint16_t vendorId, std::uint16_t segment,
                         std::uint16_t offset, std::uint16_t value);

    // Whether the devices could be opened (opens them when that was not yet tried).
    bool PortsAvailable();
    bool PhysicalMemoryAvailable();

    // The request layouts.
    static constexpr std::size_t kPortRequestSize = 12;   // bus type, port, value byte at 8
    static constexpr std::size_t kMemoryRequestSize = 24; // ... segment 8, offset 12, window 16,
                                                          // value word at 20
    static constexpr std::int32_t kMemoryWindow = 1024;

private:
    struct Device {
        std::string path;
        const char* what;
        int fd = -1;
        bool tried = false;
    };
    int Open(Device& device);
    static std::uint32_t PhysicalAddress(std::uint16_t segment, std::uint16_t offset);
    static void FillMemoryRequest(std::uint8_t* request, std::int32_t busType,
                                  std::uint16_t vendorId, std::uint16_t segment,
                                  std::uint16_t offset);

    std::mutex m_mutex;
    Device m_ports;
    Device m_physical;
    std::array<std::uint8_t, kPortRequestSize> m_portRequest{};
    std::array<std::uint8_t, kMemoryRequestSize> m_memoryRequest{};
};

} // namespace platform
