// Quorva run-time. Licensed under the MIT licence.
#include "platform/PortAccess.h"

#include "platform/Log.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

void Put32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
void Put16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}
std::uint16_t Get16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

} // namespace

PortAccess::PortAccess(PortAccessDevices devices)
    : m_ports{std::move(devices.ports), "I/O ports"}, m_physical{std::move(devices.physical),
                                                                 "physical memory"} {}

PortAccess::~PortAccess() {
    for (Device* device : {&m_ports, &m_physical}) {
        if (device->fd >= 0)
            ::close(device->fd);
    }
}

int PortAccess::Open(Device& device) {
    if (device.tried)
        return device.fd;
    device.tried = true;
    device.fd = ::open(device.path.c_str(), O_RDWR | O_CLOEXEC);
    if (device.fd >= 0) {
        LogInfo("port access: {} through {}", device.what, device.path);
        return device.fd;
    }
    // A machine without the device is ordinary (containers, most hosts); a device that exists
    // but is refused is worth a warning.
    const int error = errno;
    if (error == ENOENT)
        LogInfo("port access: no {} for {}; reads give the last value read, writes do nothing",
                device.path, device.what);
    else
        LogWarning("port access: cannot open {} for {} ({}); reads give the last value read, "
                   "writes do nothing",
                   device.path, device.what, std::strerror(error));
    return device.fd;
}

bool PortAccess::PortsAvailable() {
    std::lock_guard lock(m_mutex);
    return Open(m_ports) >= 0;
}

bool PortAccess::PhysicalMemoryAvailable() {
    std::lock_guard lock(m_mutex);
    return Open(m_physical) >= 0;
}

std::uint32_t PortAccess::PhysicalAddress(std::uint16_t segment, std::uint16_t offset) {
    return (std::uint32_t{segment} << 4) + offset;
}

std::uint8_t PortAccess::ReadPortByte(std::int32_t busType, std::uint16_t port) {
    std::lock_guard lock(m_mutex);
    Put32(&m_portRequest[0], static_cast<std::uint32_t>(busType));
    Put32(&m_portRequest[4], port);
    if (const int fd = Open(m_ports); fd >= 0) {
        std::uint8_t value = 0;
        if (::pread(fd, &value, 1, port) == 1)
            m_portRequest[8] = value;
    }
    return m_portRequest[8];
}

void PortAccess::WritePortByte(std::int32_t busType, std::uint16_t port, std::uint8_t value) {
    std::lock_guard lock(m_mutex);
    // A write request of its own: the read buffer keeps the last value read.
    std::array<std::uint8_t, kPortRequestSize> request{};
    Put32(&request[0], static_cast<std::uint32_t>(busType));
    Put32(&request[4], port);
    request[8] = value;
    if (const int fd = Open(m_ports); fd >= 0) {
        if (::pwrite(fd, &request[8], 1, port) != 1)
            LogDebug("port access: write of port {:#x} failed: {}", port, std::strerror(errno));
    }
}

void PortAccess::FillMemoryRequest(std::uint8_t* request, std::int32_t busType,
                                   std::uint16_t vendorId, std::uint16_t segment,
                                   std::uint16_t offset) {
    Put32(&request[0], static_cast<std::uint32_t>(busType));
    Put16(&request[4], vendorId);
    Put32(&request[8], segment);
    Put32(&request[12], offset);
    Put32(&request[16], static_cast<std::uint32_t>(kMemoryWindow));
}

std::uint16_t PortAccess::ReadMemoryWord(std::int32_t busType, std::uint16_t vendorId,
                                         std::uint16_t segment, std::uint16_t offset) {
    std::lock_guard lock(m_mutex);
    FillMemoryRequest(m_memoryRequest.data(), busType, vendorId, segment, offset);
    if (const int fd = Open(m_physical); fd >= 0) {
        std::uint8_t bytes[2] = {};
        if (::pread(fd, bytes, 2, PhysicalAddress(segment, offset)) == 2) {
            m_memoryRequest[20] = bytes[0];
            m_memoryRequest[21] = bytes[1];
        }
    }
    return Get16(&m_memoryRequest[20]);
}

void PortAccess::WriteMemoryWord(std::int32_t busType, std::uint16_t vendorId,
                                 std::uint16_t segment, std::uint16_t offset, std::uint16_t value) {
    std::lock_guard lock(m_mutex);
    // A write request of its own: the read buffer keeps the last value read.
    std::array<std::uint8_t, kMemoryRequestSize> request{};
    FillMemoryRequest(request.data(), busType, vendorId, segment, offset);
    Put32(&request[20], value);
    if (const int fd = Open(m_physical); fd >= 0) {
        if (::pwrite(fd, &request[20], 2, PhysicalAddress(segment, offset)) != 2)
            LogDebug("port access: write of physical {:#x} failed: {}",
                     PhysicalAddress(segment, offset), std::strerror(errno));
    }
}

} // namespace platform
