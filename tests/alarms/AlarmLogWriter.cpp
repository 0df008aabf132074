// Quorva run-time. Licensed under the MIT licence.
// Writes alarm log events in a loop for the script tests: appends, updates and purges chosen by
// a seeded generator. Before each call it prints what it is about to do ("BEGIN ..."), and after
// the call has returned what was done ("DONE ..."), each line flushed, tab-separated:
//   OPENED <records>
//   BEGIN A <column>=<value>...        DONE A <number>
//   BEGIN U <number> <column>=<value>... DONE U <number>
//   BEGIN P <trigger> <keep>            DONE P <0|1> <records>
// Usage: alarm_log_writer <table> <seed> <events> <name-origin-length> <trigger> <keep>
// (events < 0: until killed).
#include "alarms/AlarmLog.h"

#include <cstdio>
#include <cstdlib>
#include <fmt/format.h>
#include <random>
#include <string>

namespace {

constexpr const char* kColumnNames[alarms::kLogColumnCount] = {
    "NAME",    "MNEMONIC", "DATEAPP", "TIMEAPP", "DATEDIS", "TIMEDIS",    "DATEACQ",
    "TIMEACQ", "DATA",     "GROUPE",  "ZONE",    "TCOUNT",  "NAME_ORIGIN"};

void Say(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class EventMaker {
public:
    explicit EventMaker(unsigned seed) : m_random(seed), m_seed(seed) {}

    int Percent() { return Below(100); }
    int Below(int limit) { return std::uniform_int_distribution<int>(0, limit - 1)(m_random); }

    // A date in either form the log takes; now and then an empty one.
    std::string Date() {
        const int day = 1 + Below(28), month = 1 + Below(12), year = 2000 + Below(40);
        if (Percent() < 10)
            return "";
        if (Percent() < 30)
            return fmt::format("{}/{}/{:02}", day, month, year % 100);
        return fmt::format("{:02}/{:02}/{}", day, month, year);
    }
    std::string Time() { return fmt::format("{:02}:{:02}:{:02}", Below(24), Below(60), Below(60)); }
    // Mostly decimals that fit the 10.3 column; sometimes whole numbers, negatives or a text
    // that is no number (stored as blanks).
    std::string Number() {
        const int kind = Percent();
        if (kind < 10)
            return "n/a";
        if (kind < 30)
            return std::to_string(Below(2));
        if (kind < 45)
            return fmt::format("-{}.{}", Below(1000), Below(10));
        return fmt::format("{}.{:03}", Below(100000), Below(1000));
    }
    // Code-page texts, some longer than their column (cut), with a byte above 7Fh.
    std::string Text(std::size_t event, std::size_t longest) {
        std::string text = fmt::format("Alarm s{} e{} \xE9t\xE9", m_seed, event);
        const std::size_t extra = static_cast<std::size_t>(Below(static_cast<int>(longest)));
        for (std::size_t i = 0; i < extra; ++i)
            text += static_cast<char>('a' + Below(26));
        return text;
    }

private:
    std::mt19937 m_random;
    unsigned m_seed;
};

std::string Describe(const alarms::LogValues& values) {
    std::string line;
    for (std::size_t column = 0; column < alarms::kLogColumnCount; ++column)
        if (values.values[column])
            line += fmt::format("\t{}={}", kColumnNames[column], *values.values[column]);
    return line;
}

[[noreturn]] void Fail(const std::string& why) {
    Say("ERROR\t" + why);
    std::exit(1);
}

} // namespace

int main(int argc, char** argv) {
    using alarms::LogColumn;
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s table seed events name-origin-length trigger keep\n",
                     argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    const auto seed = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
    const long events = std::strtol(argv[3], nullptr, 10);
    const auto nameOriginLength = static_cast<std::size_t>(std::strtoul(argv[4], nullptr, 10));
    const std::uint64_t trigger = std::strtoull(argv[5], nullptr, 10);
    const std::uint64_t keep = std::strtoull(argv[6], nullptr, 10);

    platform::Result<alarms::AlarmLog> opened = alarms::AlarmLog::Open(path, nameOriginLength);
    if (!opened)
        Fail(opened.Error());
    alarms::AlarmLog& log = *opened;
    Say(fmt::format("OPENED\t{}", log.RecordCount()));

    EventMaker maker(seed);
    for (long event = 0; events < 0 || event < events; ++event) {
        const int kind = maker.Percent();
        if (kind < 5) {
            Say(fmt::format("BEGIN\tP\t{}\t{}", trigger, keep));
            platform::Result<bool> purged = log.PurgeIfLarger(trigger, keep);
            if (!purged)
                Fail(purged.Error());
            Say(fmt::format("DONE\tP\t{}\t{}", *purged ? 1 : 0, log.RecordCount()));
        } else if (kind < 40 && log.RecordCount() > 0) {
            const auto number = static_cast<std::uint32_t>(
                1 + maker.Below(
                        static_cast<int>(std::min<std::uint32_t>(log.RecordCount(), 1u << 30))));
            alarms::LogValues values;
            values.Set(LogColumn::DateDis, maker.Date())
                .Set(LogColumn::TimeDis, maker.Time())
                .Set(LogColumn::TCount, maker.Time());
            if (maker.Percent() < 50)
                values.Set(LogColumn::Data, maker.Number());
            Say(fmt::format("BEGIN\tU\t{}{}", number, Describe(values)));
            platform::Result<std::uint32_t> updated = log.Update(number, values);
            if (!updated)
                Fail(updated.Error());
            Say(fmt::format("DONE\tU\t{}", *updated));
        } else {
            const auto index = static_cast<std::size_t>(event);
            alarms::LogValues values;
            values.Set(LogColumn::Name, maker.Text(index, 100))
                .Set(LogColumn::Mnemonic, fmt::format("VAR_{}_{}", seed, event))
                .Set(LogColumn::DateApp, maker.Date())
                .Set(LogColumn::TimeApp, maker.Time())
                .Set(LogColumn::DateAcq, maker.Date())
                .Set(LogColumn::TimeAcq, maker.Time())
                .Set(LogColumn::Data, maker.Number())
                .Set(LogColumn::Groupe, fmt::format("Group {}", maker.Below(5)))
                .Set(LogColumn::Zone, fmt::format("Zone {}", maker.Below(9)))
                .Set(LogColumn::TCount, "00:00:00")
                .Set(LogColumn::NameOrigin, maker.Text(index, nameOriginLength));
            Say("BEGIN\tA" + Describe(values));
            platform::Result<std::uint32_t> appended = log.Append(values);
            if (!appended)
                Fail(appended.Error());
            Say(fmt::format("DONE\tA\t{}", *appended));
        }
    }
    return 0;
}
