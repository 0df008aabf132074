// Quorva run-time. Licensed under the MIT licence.
#include "alarms/AlarmDefinitions.h"

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "platform/PathMap.h"
#include "shell/Package.h"
#include "shell/Stream.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <unordered_set>

namespace alarms {

namespace {

// Field numbers (from 1) of "Alarm.OCO".
enum Field : std::size_t {
    kText = 1,
    kVariable,
    kCondition,
    kHysteresis,
    kDelay,
    kGroupVariable,
    kGroupLabel,
    kZoneLabel,
    kInhibit,
    kAckMode,
    kDataFile,
    kExtraText,
    kLineText,
    kPairName,
    kPairValue,
    kAckVariable,
    kAckSet,
    kBeep,
    kSerialPort,
    kMailTo,
    kSms,
    kSmsDestination,
    kMailFrom,
};

// The delay is kept in milliseconds; longer than this (about 49 days) is taken as this.
constexpr double kMaxDelayMilliseconds = std::numeric_limits<std::uint32_t>::max();

std::string_view TrimView(std::string_view text) {
    constexpr std::string_view kBlanks = " \t";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// A decimal number, or nothing when the text is not one.
std::optional<double> ParseDecimal(std::string_view text) {
    std::string digits(TrimView(text));
    if (digits.find('.') == std::string::npos)
        for (char& c : digits)
            if (c == ',')
                c = '.';
    std::string_view view = digits;
    if (!view.empty() && view.front() == '+')
        view.remove_prefix(1);
    // Plain decimal notation only: no "inf", "nan", hexadecimal.
    const std::string_view body = !view.empty() && view.front() == '-' ? view.substr(1) : view;
    if (body.empty() ||
        !(std::isdigit(static_cast<unsigned char>(body.front())) || body.front() == '.'))
        return std::nullopt;
    double value = 0;
    auto [end, error] =
        std::from_chars(view.data(), view.data() + view.size(), value, std::chars_format::general);
    if (error != std::errc() || end != view.data() + view.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Lines split at LF, a CR before it dropped. Lines over the limit are skipped and reported.
template <typename Visit>
void ForEachLine(std::string_view bytes, std::vector<std::string>& problems, Visit visit) {
    std::size_t start = 0;
    std::size_t number = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() > kMaxLineBytes) {
            problems.push_back(
                fmt::format("line {} is longer than {} bytes: skipped", number, kMaxLineBytes));
            continue;
        }
        if (!visit(number, line))
            return;
    }
}

// "NAME [ 3 ]" -> "NAME[3]"; a member ("A[1].B", "REC.B") and a plain name only trimmed.
std::string NormaliseVariable(std::string_view written) {
    std::string_view name = TrimView(written);
    if (name.find('.') != std::string_view::npos)
        return std::string(name);
    const std::size_t open = name.find('[');
    if (open == std::string_view::npos || name.back() != ']')
        return std::string(name);
    const std::string_view index = TrimView(name.substr(open + 1, name.size() - open - 2));
    long long number = 0;
    auto [end, error] = std::from_chars(index.data(), index.data() + index.size(), number);
    if (index.empty() || error != std::errc() || end != index.data() + index.size())
        return std::string(name);
    return std::string(TrimView(name.substr(0, open))) + "[" + std::to_string(number) + "]";
}

void ReadCondition(std::string_view written, AlarmDefinition& alarm) {
    alarm.condition = std::string(written);
    const std::string_view condition = TrimView(written);
    if (!condition.empty()) {
        switch (condition.front()) {
        case 'u':
        case 'U':
            alarm.edge = EdgeCondition::Up;
            break;
        case 'd':
        case 'D':
            alarm.edge = EdgeCondition::Down;
            break;
        case 's':
        case 'S':
            alarm.edge = EdgeCondition::Change;
            break;
        default:
            alarm.edge = EdgeCondition::None;
            break;
        }
        if (condition.front() == '<')
            alarm.comparison = Comparison::Less;
        else if (condition.front() == '=')
            alarm.comparison = Comparison::Equal;
    }
    const std::size_t rest = condition.find_first_not_of("<=>");
    const std::string_view threshold =
        rest == std::string_view::npos ? std::string_view() : TrimView(condition.substr(rest));
    if (threshold.empty())
        return;
    if (std::optional<double> constant = ParseDecimal(threshold)) {
        alarm.threshold = *constant;
    } else {
        alarm.thresholdIsVariable = true;
        alarm.thresholdVariable = NormaliseVariable(threshold);
    }
}

int PortNumber(std::string_view port) {
    if (port.size() < 4)
        return 0;
    const std::string_view digits = TrimView(port.substr(3));
    int number = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return 0;
    return number;
}

std::uint64_t SizeFromUnits(std::string_view text) {
    const double units = DeclarationNumber(text);
    if (!(units > 0))
        return 0;
    const double bytes = std::floor(units * static_cast<double>(AlarmConfig::kSizeUnit));
    if (bytes >= 1.8e19)
        return std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(bytes);
}

std::string FirstCharacter(std::string_view line) {
    const std::string_view trimmed = TrimView(line);
    return trimmed.empty() ? std::string() : std::string(1, trimmed.front());
}

} // namespace

std::vector<std::string_view> SplitAlarmFields(std::string_view line) {
    const char separator = line.find('\t') != std::string_view::npos ? '\t' : ':';
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t end = line.find(separator); end != std::string_view::npos;
         end = line.find(separator, start)) {
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

double DeclarationNumber(std::string_view text) {
    return ParseDecimal(text).value_or(0.0);
}

AlarmDeclarations ReadAlarmDeclarations(std::string_view bytes) {
    AlarmDeclarations read;
    std::unordered_set<std::string> groups;
    ForEachLine(bytes, read.problems, [&](std::size_t number, std::string_view line) {
        const std::vector<std::string_view> fields = SplitAlarmFields(line);
        auto field = [&fields](std::size_t index) {
            return index <= fields.size() ? fields[index - 1] : std::string_view();
        };
        const std::string group(TrimView(field(kGroupVariable)));
        if (!group.empty() && groups.insert(platform::UpperAscii(group)).second)
            read.groupVariables.push_back(group);
        const std::string variable = NormaliseVariable(field(kVariable));
        if (variable.empty())
            return true;
        if (read.alarms.size() >= kMaxAlarms) {
            read.problems.push_back(
                fmt::format("more than {} alarms: line {} and the lines after it are ignored",
                            kMaxAlarms, number));
            return false;
        }
        AlarmDefinition& alarm = read.alarms.emplace_back();
        alarm.text = std::string(field(kText));
        read.longestText = std::max(read.longestText, alarm.text.size());
        alarm.variable = variable;
        ReadCondition(field(kCondition), alarm);
        alarm.hysteresis = DeclarationNumber(field(kHysteresis));
        const double tenths = DeclarationNumber(field(kDelay));
        alarm.delayMilliseconds =
            tenths > 0 ? static_cast<std::uint32_t>(std::min(tenths * 100.0, kMaxDelayMilliseconds))
                       : 0;
        alarm.groupVariable = group;
        alarm.groupLabel = std::string(field(kGroupLabel));
        alarm.zoneLabel = std::string(field(kZoneLabel));
        alarm.inhibitVariable = NormaliseVariable(field(kInhibit));
        alarm.autoAcknowledge = field(kAckMode).substr(0, 1) == "A";
        alarm.dataFile = field(kDataFile) == "DataFile";
        alarm.extraText = std::string(field(kExtraText));
        alarm.lineText = std::string(field(kLineText));
        alarm.pairName = std::string(field(kPairName));
        alarm.pairValue = std::string(field(kPairValue));
        alarm.acknowledgeVariable = NormaliseVariable(field(kAckVariable));
        alarm.acknowledgeSets = field(kAckSet) == "AcqSet";
        alarm.beep = field(kBeep) == "Beep";
        alarm.serialPort = std::string(TrimView(field(kSerialPort)));
        alarm.serialPortNumber = PortNumber(alarm.serialPort);
        if (!alarm.serialPort.empty() && alarm.serialPortNumber == 0)
            read.problems.push_back(fmt::format("line {}: \"{}\" names no serial port", number,
                                                platform::CodePageToUtf8(alarm.serialPort)));
        alarm.mailTo = std::string(TrimView(field(kMailTo)));
        alarm.sms = field(kSms) == "SMS";
        alarm.smsDestination = std::string(field(kSmsDestination));
        alarm.mailFrom = std::string(TrimView(field(kMailFrom)));
        return true;
    });
    return read;
}

AlarmConfig ReadAlarmConfig(std::string_view bytes, std::vector<std::string>* problems) {
    AlarmConfig config;
    std::vector<std::string> found;
    ForEachLine(bytes, found, [&config](std::size_t number, std::string_view line) {
        switch (number) {
        case 1:
            config.directory = std::string(TrimView(line));
            break;
        case 2:
            config.purgeKeepBytes = SizeFromUnits(line);
            break;
        case 3:
            config.purgeTriggerBytes = SizeFromUnits(line);
            break;
        case 4:
            config.serialBaud = std::string(TrimView(line));
            break;
        case 5:
            config.serialParity = FirstCharacter(line);
            break;
        case 6:
            config.serialStopBits = FirstCharacter(line);
            break;
        case 7:
            config.serialDataBits = FirstCharacter(line);
            break;
        case 8:
            config.mailServer = std::string(TrimView(line));
            break;
        default:
            return false;
        }
        return true;
    });
    if (problems != nullptr)
        problems->insert(problems->end(), found.begin(), found.end());
    return config;
}

ProjectFileBytes ReadAlarmProjectFile(const shell::ProjectPackage* package,
                                      const std::string& directory, std::string_view name) {
    std::unique_ptr<shell::Stream> stream;
    if (package != nullptr && package->Contains(name))
        stream = package->Open(name);
    if (!stream) {
        std::string path =
            directory.empty() ? std::string(name) : directory + "/" + std::string(name);
        stream = shell::FileStream::Open(platform::ResolveCase(path));
    }
    if (!stream)
        return {};
    if (stream->Size() > kMaxFileBytes) {
        platform::LogError("alarms: {} holds {} bytes, more than {}: not read", name,
                           stream->Size(), kMaxFileBytes);
        return {};
    }
    return ProjectFileBytes{true, stream->ReadAll()};
}

} // namespace alarms
