// Quorva run-time. Licensed under the MIT licence.
#include "alarms/AlarmLists.h"

#include "alarms/AlarmDefinitions.h"
#include "platform/CodePage.h"
#include "platform/Log.h"
#include "shell/Stream.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace alarms {

namespace {

constexpr char kSeparator = '\x01';

} // namespace

std::string DisplayLine(const LineFields& fields) {
    std::string line;
    line.reserve(fields.kind.size() + fields.date.size() + fields.time.size() +
                 fields.state.size() + fields.text.size() + fields.lineText.size() +
                 fields.group.size() + fields.zone.size() + 8);
    for (std::string_view field : {fields.kind, fields.date, fields.time, fields.state, fields.text,
                                   fields.lineText, fields.group, fields.zone}) {
        line += field;
        line += kSeparator;
    }
    return line;
}

std::optional<std::size_t> ActiveList::AlarmAt(int position) const {
    if (position < 0 || static_cast<std::size_t>(position) >= m_alarms.size())
        return std::nullopt;
    return m_alarms[static_cast<std::size_t>(position)];
}

std::optional<std::size_t> ActiveList::PositionOf(std::size_t alarm) const {
    auto found = std::find(m_alarms.begin(), m_alarms.end(), alarm);
    if (found == m_alarms.end())
        return std::nullopt;
    return static_cast<std::size_t>(found - m_alarms.begin());
}

void ActiveList::InsertTop(std::size_t alarm, std::string line) {
    m_lines.insert(m_lines.begin(), std::move(line));
    m_alarms.insert(m_alarms.begin(), alarm);
}

void ActiveList::Replace(std::size_t position, std::string line) {
    if (position < m_lines.size())
        m_lines[position] = std::move(line);
}

void ActiveList::Remove(std::size_t position) {
    if (position >= m_lines.size())
        return;
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(position));
    m_alarms.erase(m_alarms.begin() + static_cast<std::ptrdiff_t>(position));
}

void ActiveList::Clear() {
    m_lines.clear();
    m_alarms.clear();
}

void AlarmHistory::DropOldestLocked() {
    if (m_lines.size() <= kMaxLines)
        return;
    m_lines.resize(kMaxLines);
    if (!m_reportedFull) {
        m_reportedFull = true;
        platform::LogWarning("alarms: the history holds {} lines; older lines are dropped",
                             kMaxLines);
    }
}

void AlarmHistory::Add(std::string line) {
    std::lock_guard lock(m_mutex);
    m_lines.push_front(std::move(line));
    DropOldestLocked();
}

std::size_t AlarmHistory::Count() const {
    std::lock_guard lock(m_mutex);
    return m_lines.size();
}

std::string AlarmHistory::Line(int index) const {
    std::lock_guard lock(m_mutex);
    if (index < 0 || static_cast<std::size_t>(index) >= m_lines.size())
        return {};
    return m_lines[static_cast<std::size_t>(index)];
}

std::size_t AlarmHistory::Trim(int keep) {
    std::lock_guard lock(m_mutex);
    const std::size_t wanted = keep < 0 ? 0 : static_cast<std::size_t>(keep);
    if (m_lines.size() > wanted)
        m_lines.resize(wanted);
    return m_lines.size();
}

std::vector<std::string> AlarmHistory::Lines() const {
    std::lock_guard lock(m_mutex);
    return {m_lines.begin(), m_lines.end()};
}

platform::Status AlarmHistory::Load(const std::string& hostPath) {
    std::deque<std::string> lines;
    std::unique_ptr<shell::FileStream> file = shell::FileStream::Open(hostPath);
    if (file) {
        if (file->Size() > kMaxFileBytes)
            platform::LogWarning("alarms: {} holds {} bytes: only its first {} are read", hostPath,
                                 file->Size(), kMaxFileBytes);
        std::string bytes(static_cast<std::size_t>(std::min(file->Size(), kMaxFileBytes)), '\0');
        bytes.resize(file->Read(bytes.data(), bytes.size()));
        std::size_t start = 0;
        std::size_t skipped = 0;
        while (start < bytes.size() && lines.size() < kMaxLines) {
            std::size_t end = bytes.find('\n', start);
            if (end == std::string::npos)
                end = bytes.size();
            std::string_view line(bytes.data() + start, end - start);
            start = end + 1;
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            if (line.size() > kMaxLineBytes) {
                ++skipped;
                continue;
            }
            if (!line.empty())
                lines.push_back(platform::Utf8ToCodePage(line));
        }
        if (skipped > 0)
            platform::LogWarning("alarms: {} lines of {} are longer than {} bytes: skipped",
                                 skipped, hostPath, kMaxLineBytes);
        if (start < bytes.size())
            platform::LogWarning("alarms: {} holds more than {} lines: the oldest are not read",
                                 hostPath, kMaxLines);
    } else {
        std::error_code error;
        if (std::filesystem::exists(hostPath, error))
            return platform::Fail("cannot read " + hostPath);
    }
    std::lock_guard lock(m_mutex);
    m_lines = std::move(lines);
    return {};
}

platform::Status AlarmHistory::Save(const std::string& hostPath) const {
    std::error_code error;
    std::vector<std::string> lines = Lines();
    if (lines.empty()) {
        std::filesystem::remove(hostPath, error);
        if (error)
            return platform::Fail("cannot remove " + hostPath + ": " + error.message());
        return {};
    }
    const std::string temporary = hostPath + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return platform::Fail("cannot create " + temporary + ": " + std::strerror(errno));
        for (std::string& line : lines) {
            // A line break inside a text would split the line when it is read back.
            std::replace(line.begin(), line.end(), '\n', ' ');
            std::replace(line.begin(), line.end(), '\r', ' ');
            out << platform::CodePageToUtf8(line) << '\n';
        }
        out.flush();
        if (!out) {
            out.close();
            std::filesystem::remove(temporary, error);
            return platform::Fail("cannot write " + temporary);
        }
    }
    std::filesystem::rename(temporary, hostPath, error);
    if (error) {
        const std::string why = error.message();
        std::filesystem::remove(temporary, error);
        return platform::Fail("cannot replace " + hostPath + ": " + why);
    }
    return {};
}

} // namespace alarms
