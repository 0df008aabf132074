// Quorva run-time. Licensed under the MIT licence.
#include "alarms/AlarmManager.h"

#include "../screens/TestVariables.h"
#include "TestSupport.h"
#include "alarms/AlarmLog.h"
#include "platform/Log.h"
#include "screens/ScreenGlobals.h"
#include "shell/Dictionary.h"
#include "shell/MailClient.h"

#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Fields = std::vector<std::string>;

std::string ManagerDeclaration(const Fields& fields) {
    std::string line;
    for (const std::string& field : fields)
        line += field + "\t";
    return line + "\r\n";
}

// The fields of a display line.
Fields LineFieldsOf(const std::string& line) {
    Fields fields;
    std::size_t start = 0;
    for (std::size_t end = line.find('\x01'); end != std::string::npos;
         end = line.find('\x01', start)) {
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

class ManagerLogCapture {
public:
    ManagerLogCapture() {
        m_previous =
            platform::log::SetSink([this](platform::LogLevel level, std::string_view text) {
                if (level >= platform::LogLevel::Warning)
                    lines.emplace_back(text);
            });
    }
    ~ManagerLogCapture() { platform::log::SetSink(std::move(m_previous)); }
    ManagerLogCapture(const ManagerLogCapture&) = delete;
    ManagerLogCapture& operator=(const ManagerLogCapture&) = delete;

    std::size_t Count(std::string_view part) const {
        std::size_t count = 0;
        for (const std::string& line : lines)
            count += line.find(part) != std::string::npos ? 1 : 0;
        return count;
    }
    std::vector<std::string> lines;

private:
    platform::log::Sink m_previous;
};

// A project directory, test variables, a fake clock and recorders for every output.
class AlarmManagerTest : public ::testing::Test {
protected:
    void Declare(const std::vector<Fields>& lines) {
        std::string bytes;
        for (const Fields& line : lines)
            bytes += ManagerDeclaration(line);
        testsupport::WriteFile(dir / "Alarm.OCO", bytes);
    }

    alarms::AlarmServices Services() {
        alarms::AlarmServices services;
        services.variables = &vars;
        services.projectDirectory = dir.Path().string();
        services.dictionary = dictionary;
        services.tickMilliseconds = [this] { return now; };
        services.dateText = [this] { return date; };
        services.timeText = [this] { return time; };
        services.printHook = [this](const std::string& line) {
            prints.push_back(line);
            events.push_back("print");
        };
        services.smsHook = [this](const alarms::SmsEvent& sms) {
            smses.push_back(sms);
            events.push_back("sms");
        };
        services.beep = [this](unsigned hertz) {
            beeps.push_back(hertz);
            events.push_back("beep");
        };
        services.postMail = [this](const shell::MailMessage& message) {
            mails.push_back(message);
            events.push_back("mail");
            return true;
        };
        return services;
    }

    alarms::AlarmManager& Start() {
        manager = std::make_unique<alarms::AlarmManager>(Services());
        manager->Start();
        return *manager;
    }

    // The fields of line `position` of the active list.
    Fields Active(std::size_t position) const {
        return LineFieldsOf(manager->ActiveAlarmList().at(position));
    }

    std::optional<alarms::DbfTable> Log() const {
        auto table = alarms::ReadDbf(testsupport::ReadFile(dir / "Alarm.DBF"));
        if (!table)
            return std::nullopt;
        return table.Value();
    }
    // Column `name` of record `record` (from 0), without its padding.
    static std::string Column(const alarms::DbfTable& table, std::size_t record,
                              const std::string& name) {
        std::size_t offset = 1;
        for (const alarms::DbfField& field : table.fields) {
            if (field.name == name) {
                std::string value = table.records.at(record).substr(offset, field.length);
                const std::size_t first = value.find_first_not_of(' ');
                if (first == std::string::npos)
                    return {};
                return value.substr(first, value.find_last_not_of(' ') - first + 1);
            }
            offset += field.length;
        }
        return "no column " + name;
    }

    testsupport::TempDir dir;
    screens::testing::TestVariables vars;
    shell::Dictionary* dictionary = nullptr;
    std::uint64_t now = 0;
    std::string date = "24/05/2024";
    std::string time = "10:00:00";
    std::vector<std::string> prints, events;
    std::vector<alarms::SmsEvent> smses;
    std::vector<unsigned> beeps;
    std::vector<shell::MailMessage> mails;
    std::unique_ptr<alarms::AlarmManager> manager;
};

} // namespace

TEST_F(AlarmManagerTest, DownAlarmInAlarmAtStartAppearsAfterItsDelayUpAlarmDoesNot) {
    vars.Add("DOOR", 3);
    vars.Add("START", 3);
    vars.Add("SLOW", 3);
    Declare(
        {{"Door open", "DOOR", "D"}, {"Started", "START", "U"}, {"Slow", "SLOW", "D", "", "5"}});
    EXPECT_EQ(Start().AlarmCount(), 3u);
    const std::uint64_t before = manager->Generation();

    manager->ScanStep();
    ASSERT_EQ(manager->ActiveAlarmCount(), 1u);
    EXPECT_NE(manager->Generation(), before);
    EXPECT_EQ(Active(0),
              (Fields{"Alarme", "24/05/2024", "10:00:00", "0", "Door open", "", "", ""}));
    EXPECT_EQ(manager->ActiveAlarmList()[0].back(), '\x01');

    now = 499;
    manager->ScanStep();
    EXPECT_EQ(manager->ActiveAlarmCount(), 1u);
    now = 500;
    manager->ScanStep();
    ASSERT_EQ(manager->ActiveAlarmCount(), 2u);
    EXPECT_EQ(Active(0)[4], "Slow") << "the newest alarm comes first";
    EXPECT_EQ(manager->HistoryCount(), 2u);
}

TEST_F(AlarmManagerTest, DelayRaisesOnlyAConditionThatLastsForIt) {
    vars.Add("FLAG", 3);
    Declare({{"Hot", "FLAG", "U", "", "5"}});
    Start();
    vars.SetBoolean("FLAG", true);
    manager->ScanStep();
    now = 300;
    manager->ScanStep();
    vars.SetBoolean("FLAG", false);
    manager->ScanStep();
    EXPECT_EQ(manager->ActiveAlarmCount(), 0u) << "300 ms are not enough";

    now = 1000;
    vars.SetBoolean("FLAG", true);
    manager->ScanStep();
    now = 1300;
    manager->ScanStep();
    EXPECT_EQ(manager->ActiveAlarmCount(), 0u) << "the timer started again at 1000";
    now = 1600;
    manager->ScanStep();
    EXPECT_EQ(manager->ActiveAlarmCount(), 1u);
    // The end is not delayed.
    vars.SetBoolean("FLAG", false);
    manager->ScanStep();
    EXPECT_EQ(Active(0)[0], "AlarmOff");
}

TEST_F(AlarmManagerTest, NumericDelayStartsAgainAfterEveryBreak) {
    vars.Add("PRESS", 4);
    Declare({{"Pressure", "PRESS", ">10", "", "5"}});
    Start();
    vars.SetInteger("PRESS", 20);
    manager->ScanStep();
    now = 100;
    vars.SetInteger("PRESS", 0);
    manager->ScanStep();
    now = 1000;
    vars.SetInteger("PRESS", 20);
    manager->ScanStep();
    now = 1100;
    manager->ScanStep();
    EXPECT_EQ(manager->ActiveAlarmCount(), 0u) << "the break at 100 ms stopped the first timer";
    now = 1500;
    manager->ScanStep();
    EXPECT_EQ(manager->ActiveAlarmCount(), 1u);
}

TEST_F(AlarmManagerTest, NumericAlarmsHonourHysteresisBandsAndThresholdVariables) {
    vars.Add("TEMP", 5);
    vars.Add("LEVEL", 4);
    vars.Add("LOWLIM", 4);
    vars.Add("MODE", 20);
    Declare({{"Temp high", "TEMP", ">100", "10"},
             {"Level low", "LEVEL", "<LOWLIM"},
             {"Mode", "MODE", "=3", "2"}});
    vars.SetReal("TEMP", 99.9L);
    vars.SetInteger("LEVEL", 21);
    vars.SetInteger("LOWLIM", 20);
    Start();
    auto stateOf = [this](const std::string& text) -> std::string {
        for (const std::string& line : manager->ActiveAlarmList())
            if (LineFieldsOf(line)[4] == text)
                return LineFieldsOf(line)[0] + " " + LineFieldsOf(line)[3];
        return "none";
    };

    manager->ScanStep();
    EXPECT_EQ(stateOf("Temp high"), "none");
    vars.SetReal("TEMP", 100);
    manager->ScanStep();
    EXPECT_EQ(stateOf("Temp high"), "Alarme 100");
    for (long double value : {97.0L, 95.0L}) {
        vars.SetReal("TEMP", value);
        manager->ScanStep();
        EXPECT_EQ(stateOf("Temp high"), "Alarme 100") << "still active at " << double(value);
    }
    vars.SetReal("TEMP", 94.9L);
    manager->ScanStep();
    EXPECT_EQ(stateOf("Temp high"), "AlarmOff 100");

    // At the threshold itself a "<" alarm without hysteresis stays raised: it appears once.
    vars.SetInteger("LEVEL", 20);
    const std::size_t history = manager->HistoryCount();
    for (int pass = 0; pass < 3; ++pass)
        manager->ScanStep();
    EXPECT_EQ(stateOf("Level low"), "Alarme 20");
    EXPECT_EQ(manager->HistoryCount(), history + 1);
    vars.SetInteger("LEVEL", 21);
    manager->ScanStep();
    EXPECT_EQ(stateOf("Level low"), "AlarmOff 20");
    // The threshold is read from its variable at every evaluation.
    vars.SetInteger("LOWLIM", 25);
    manager->ScanStep();
    EXPECT_EQ(stateOf("Level low"), "Alarme 21");

    // An active "=" alarm holds within half its hysteresis around the threshold.
    vars.SetWord("MODE", 3);
    manager->ScanStep();
    EXPECT_EQ(stateOf("Mode"), "Alarme 3");
    vars.SetWord("MODE", 4);
    manager->ScanStep();
    EXPECT_EQ(stateOf("Mode"), "Alarme 3");
    vars.SetWord("MODE", 5);
    manager->ScanStep();
    EXPECT_EQ(stateOf("Mode"), "AlarmOff 3");
}

TEST_F(AlarmManagerTest, AutoAcknowledgedAlarmsLeaveAtTheirEndOthersWaitForTheOperator) {
    for (const char* name : {"A_AUTO", "A_MAN", "A_CLR", "ACK_MAN", "ACK_CLR"})
        vars.Add(name, 3);
    vars.SetBoolean("ACK_CLR", true);
    Declare(
        {{"Auto", "A_AUTO", "U", "", "", "", "", "", "", "A"},
         {"Manual", "A_MAN", "U", "", "", "", "", "", "", "", "", "", "", "", "", "ACK_MAN",
          "AcqSet"},
         {"Clear", "A_CLR", "U", "", "", "", "", "", "", "Op", "", "", "", "", "", "ACK_CLR", ""}});
    Start();
    for (const char* name : {"A_AUTO", "A_MAN", "A_CLR"})
        vars.SetBoolean(name, true);
    manager->ScanStep();
    ASSERT_EQ(manager->ActiveAlarmCount(), 3u);
    EXPECT_EQ(Active(2)[0], "AlarmeNil") << "mode A is acknowledged when it appears";
    EXPECT_EQ(Active(1)[0], "Alarme");

    for (const char* name : {"A_AUTO", "A_MAN", "A_CLR"})
        vars.SetBoolean(name, false);
    time = "10:01:00";
    manager->ScanStep();
    ASSERT_EQ(manager->ActiveAlarmCount(), 2u);
    EXPECT_EQ(Active(0), (Fields{"AlarmOff", "24/05/2024", "10:01:00", "1", "Clear", "", "", ""}));
    EXPECT_EQ(Active(1)[4], "Manual");
    EXPECT_EQ(LineFieldsOf(manager->HistoryLine(0))[0], "AlarmOff");

    const std::uint64_t generation = manager->Generation();
    manager->AcknowledgeAt(-1);
    manager->AcknowledgeAt(2);
    EXPECT_EQ(manager->ActiveAlarmCount(), 2u);
    EXPECT_EQ(manager->Generation(), generation);

    manager->AcknowledgeAt(1);
    ASSERT_EQ(manager->ActiveAlarmCount(), 1u);
    EXPECT_EQ(vars.Number("ACK_MAN"), 1) << "AcqSet writes true";
    manager->AcknowledgeAt(0);
    EXPECT_EQ(manager->ActiveAlarmCount(), 0u);
    EXPECT_EQ(vars.Number("ACK_CLR"), 0) << "without AcqSet the variable gets false";

    // Acknowledged while active: "AlarmeNil" dated by the acknowledgement, gone at its end.
    vars.SetBoolean("A_MAN", true);
    manager->ScanStep();
    time = "10:05:00";
    manager->AcknowledgeAt(0);
    EXPECT_EQ(Active(0)[0], "AlarmeNil");
    EXPECT_EQ(Active(0)[2], "10:05:00");
    manager->AcknowledgeAt(0);
    vars.SetBoolean("A_MAN", false);
    manager->ScanStep();
    EXPECT_EQ(manager->ActiveAlarmCount(), 0u);
    EXPECT_EQ(LineFieldsOf(manager->HistoryLine(0))[0], "AlarmOff");
}

TEST_F(AlarmManagerTest, EachAppearanceLogsOneRecordThatItsEndAndAcknowledgementUpdate) {
    vars.Add("PUMP", 3);
    vars.Add("QUIET", 3);
    Declare({{"Pump fault", "PUMP", "U", "", "", "", "Pumps", "Zone A", "", "", "DataFile"},
             {"Not logged", "QUIET", "U"}});
    Start();
    vars.SetBoolean("PUMP", true);
    vars.SetBoolean("QUIET", true);
    manager->ScanStep();
    auto table = Log();
    ASSERT_TRUE(table) << "the log is created and readable";
    ASSERT_EQ(table->records.size(), 1u);
    EXPECT_EQ(Column(*table, 0, "NAME"), "Pump fault");
    EXPECT_EQ(Column(*table, 0, "NAME_ORIGIN"), "Pump fault");
    EXPECT_EQ(Column(*table, 0, "MNEMONIC"), "PUMP");
    EXPECT_EQ(Column(*table, 0, "DATEAPP"), "20240524");
    EXPECT_EQ(Column(*table, 0, "TIMEAPP"), "10:00:00");
    EXPECT_EQ(Column(*table, 0, "GROUPE"), "Pumps");
    EXPECT_EQ(Column(*table, 0, "ZONE"), "Zone A");
    EXPECT_EQ(Column(*table, 0, "TCOUNT"), "00:00:00");
    EXPECT_DOUBLE_EQ(std::strtod(Column(*table, 0, "DATA").c_str(), nullptr), 1.0);

    now += 123000;
    time = "10:02:03";
    vars.SetBoolean("PUMP", false);
    manager->ScanStep();
    table = Log();
    ASSERT_TRUE(table);
    ASSERT_EQ(table->records.size(), 1u) << "the end updates the same record";
    EXPECT_EQ(Column(*table, 0, "DATEDIS"), "20240524");
    EXPECT_EQ(Column(*table, 0, "TIMEDIS"), "10:02:03");
    EXPECT_EQ(Column(*table, 0, "TCOUNT"), "00:02:03");
    EXPECT_EQ(Column(*table, 0, "TIMEAPP"), "10:00:00");

    time = "10:03:00";
    manager->AcknowledgeAt(1);
    table = Log();
    ASSERT_TRUE(table);
    ASSERT_EQ(table->records.size(), 1u);
    EXPECT_EQ(Column(*table, 0, "TIMEACQ"), "10:03:00");
    EXPECT_DOUBLE_EQ(std::strtod(Column(*table, 0, "DATA").c_str(), nullptr), 0.0);

    vars.SetBoolean("PUMP", true);
    manager->ScanStep();
    table = Log();
    ASSERT_TRUE(table);
    EXPECT_EQ(table->records.size(), 2u);
}

TEST_F(AlarmManagerTest, InhibitedAlarmWaitsAndMarksNoGroupGroupsAreWrittenEachPass) {
    vars.Add("HOT", 3);
    vars.Add("INHIB", 3);
    vars.Add("G_HEAT", 3);
    vars.Add("G_EMPTY", 3);
    vars.SetBoolean("G_EMPTY", true);
    Declare({{"Hot", "HOT", "U", "", "", "G_HEAT", "", "", "INHIB"},
             {"declares nothing", "", "", "", "", "G_EMPTY"}});
    Start();
    vars.SetBoolean("INHIB", true);
    vars.SetBoolean("HOT", true);
    manager->ScanStep();
    EXPECT_EQ(manager->ActiveAlarmCount(), 0u);
    EXPECT_EQ(vars.Number("G_HEAT"), 0);
    EXPECT_EQ(vars.Number("G_EMPTY"), 0) << "a group without alarms is written false";

    vars.SetBoolean("INHIB", false);
    manager->ScanStep();
    EXPECT_EQ(manager->ActiveAlarmCount(), 1u) << "the condition that arose meanwhile appears";
    EXPECT_EQ(vars.Number("G_HEAT"), 1);
    vars.SetBoolean("HOT", false);
    manager->ScanStep();
    EXPECT_EQ(vars.Number("G_HEAT"), 0);
}

TEST_F(AlarmManagerTest, AStepEvaluatesFiftyAlarmsAndGroupsAreWrittenAtThePassEnd) {
    std::vector<Fields> lines;
    for (int i = 0; i < 60; ++i) {
        const std::string name = "V" + std::to_string(i);
        vars.Add(name, 3);
        lines.push_back({name, name, "U", "", "", i % 2 == 0 ? "G_EVEN" : "G_ODD"});
    }
    vars.Add("G_EVEN", 3);
    vars.Add("G_ODD", 3);
    Declare(lines);
    Start();
    vars.SetBoolean("V1", true);
    vars.SetBoolean("V55", true);
    manager->ScanStep();
    EXPECT_EQ(manager->ActiveAlarmCount(), 1u) << "V55 is not evaluated in the first step";
    EXPECT_EQ(vars.Number("G_ODD"), 0) << "the pass is not finished";
    manager->ScanStep();
    EXPECT_EQ(manager->ActiveAlarmCount(), 2u);
    EXPECT_EQ(vars.Number("G_ODD"), 1);
    EXPECT_EQ(vars.Number("G_EVEN"), 0);
}

TEST_F(AlarmManagerTest, HistoryIsLoadedTrimmedAndSavedNewestFirst) {
    testsupport::WriteFile(dir / "HistAl", "Alarme\x01"
                                           "d\x01t\x01"
                                           "1\x01"
                                           "caf\xc3\xa9\x01\r\n"
                                           "AlarmOff\x01older\x01\n");
    vars.Add("B", 3);
    Declare({{"New", "B", "U"}});
    Start();
    ASSERT_EQ(manager->HistoryCount(), 2u);
    EXPECT_EQ(LineFieldsOf(manager->HistoryLine(0))[4], "caf\xe9") << "UTF-8 in the file";
    EXPECT_EQ(manager->HistoryLine(2), "");
    EXPECT_EQ(manager->HistoryLine(-1), "");

    vars.SetBoolean("B", true);
    manager->ScanStep();
    EXPECT_EQ(manager->HistoryCount(), 3u);
    EXPECT_EQ(manager->TrimHistory(2), 2u);
    EXPECT_EQ(LineFieldsOf(manager->HistoryLine(1))[4], "caf\xe9") << "the oldest goes";
    manager->Stop();
    EXPECT_EQ(testsupport::ReadFile(dir / "HistAl"), "Alarme\x01"
                                                     "24/05/2024\x01"
                                                     "10:00:00\x01"
                                                     "1\x01New\x01\x01\x01\x01\n"
                                                     "Alarme\x01"
                                                     "d\x01t\x01"
                                                     "1\x01"
                                                     "caf\xc3\xa9\x01\n");

    Start();
    EXPECT_EQ(manager->HistoryCount(), 2u);
    EXPECT_EQ(manager->TrimHistory(-3), 0u);
    manager->Stop();
    EXPECT_FALSE(std::filesystem::exists(dir / "HistAl")) << "trimmed lines must not come back";
}

TEST_F(AlarmManagerTest, HooksMailAndBeepGetTheTextsOfEachEventInOrder) {
    testsupport::WriteFile(dir / "Alarm.cfg", "\n\n\n\n\n\n\nsmtp.example.com\n");
    vars.Add("PUMP", 3);
    vars.Add("LEVEL", 5);
    Declare({{"Pump fault", "PUMP",  "U", "", "", "", "Pumps", "Zone A", "", "",
              "",           "",      "",  "", "", "", "",      "Beep",   "", "ops@example.com",
              "SMS",        "+33 6", ""},
             {"Level",
              "LEVEL",
              ">50",
              "",
              "",
              "",
              "G",
              "Z",
              "",
              "",
              "",
              "",
              "",
              "",
              "",
              "",
              "",
              "",
              "",
              "ops@example.com",
              "SMS",
              "dest",
              "plant@example.com"}});
    Start();
    vars.SetBoolean("PUMP", true);
    manager->ScanStep();
    EXPECT_EQ(events, (std::vector<std::string>{"print", "sms", "mail", "beep"}));
    EXPECT_EQ(prints, std::vector<std::string>{" 24/05/2024 10:00:00 Pump fault\r\n"});
    ASSERT_EQ(smses.size(), 1u);
    EXPECT_EQ(smses[0].date + "|" + smses[0].time + "|" + smses[0].text + "|" +
                  smses[0].destination + "|" + smses[0].kind + "|" + smses[0].state + "|" +
                  std::to_string(smses[0].event) + "|" + smses[0].zone + "|" + smses[0].group,
              "24/05/2024|10:00:00|Pump fault|+33 6|B|1|1|Zone A|Pumps");
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].from, "Application");
    EXPECT_EQ(mails[0].recipients, "ops@example.com");
    EXPECT_EQ(mails[0].subject, "Alarm");
    EXPECT_EQ(mails[0].body, "24/05/2024 10:00:00 Pump fault");
    EXPECT_EQ(mails[0].server, "smtp.example.com");
    EXPECT_EQ(beeps, std::vector<unsigned>{3255});

    vars.SetReal("LEVEL", 75.5L);
    manager->ScanStep();
    EXPECT_EQ(prints.back(), " 24/05/2024 10:00:00 Level75.5\r\n");
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(mails[1].from, "plant@example.com");
    EXPECT_EQ(mails[1].body, "24/05/2024 10:00:00 Level (75.5)");
    EXPECT_EQ(smses.back().kind, 'N');
    EXPECT_EQ(smses.back().state, "75.5");

    time = "10:10:00";
    vars.SetBoolean("PUMP", false);
    manager->ScanStep();
    EXPECT_EQ(smses.back().event, 2);
    EXPECT_EQ(smses.back().time, "10:10:00");
    time = "10:11:00";
    ASSERT_EQ(Active(1)[4], "Pump fault");
    manager->AcknowledgeAt(1);
    EXPECT_EQ(smses.back().text, "Pump fault");
    EXPECT_EQ(smses.back().event, 3);
    EXPECT_EQ(smses.back().time, "10:11:00");
    EXPECT_EQ(beeps.size(), 1u) << "only appearances beep";
}

TEST_F(AlarmManagerTest, DisabledOutputsSkipLogMailAndBeepButNotTheHooks) {
    testsupport::WriteFile(dir / "Alarm.cfg", "\n\n\n\n\n\n\nsmtp.example.com\n");
    vars.Add("PUMP", 3);
    Declare({{"Pump fault", "PUMP", "U", "", "", "", "", "",     "", "",
              "DataFile",   "",     "",  "", "", "", "", "Beep", "", "ops@example.com",
              "SMS",        "",     ""}});
    Start();
    manager->SetAlarmOutputs(false);
    EXPECT_FALSE(manager->AlarmOutputs());
    vars.SetBoolean("PUMP", true);
    manager->ScanStep();
    EXPECT_EQ(prints.size(), 1u);
    EXPECT_EQ(smses.size(), 1u);
    EXPECT_TRUE(mails.empty());
    EXPECT_TRUE(beeps.empty());
    auto table = Log();
    ASSERT_TRUE(table) << "the log is made at start";
    EXPECT_TRUE(table->records.empty());

    // Enabled again before the end: the end has no record to update and appends one.
    manager->SetAlarmOutputs(true);
    vars.SetBoolean("PUMP", false);
    manager->ScanStep();
    table = Log();
    ASSERT_TRUE(table);
    ASSERT_EQ(table->records.size(), 1u);
    EXPECT_EQ(Column(*table, 0, "TIMEAPP"), "10:00:00");
    EXPECT_EQ(Column(*table, 0, "DATEDIS"), "20240524");
}

TEST_F(AlarmManagerTest, UnknownVariablesAreReportedOnceAndPickedUpLater) {
    ManagerLogCapture log;
    Declare({{"Late", "LATE", "U"}});
    Start();
    manager->ScanStep();
    now = 2000;
    manager->ScanStep();
    EXPECT_EQ(log.Count("LATE"), 1u);
    vars.Add("LATE", 3);
    vars.SetBoolean("LATE", true);
    now = 4000;
    manager->ScanStep();
    EXPECT_EQ(manager->ActiveAlarmCount(), 1u);

    // After the stop nothing is evaluated or acknowledged.
    manager->Stop();
    EXPECT_EQ(manager->ActiveAlarmCount(), 0u);
    manager->ScanStep();
    manager->AcknowledgeAt(0);
    EXPECT_EQ(manager->ActiveAlarmCount(), 0u);
}

TEST_F(AlarmManagerTest, TextsFollowTheLanguageAndFieldsAreGivenByPosition) {
    shell::Dictionary words;
    words.Initialise(1, std::nullopt, std::nullopt);
    shell::DictionaryEntry entry;
    entry.columns[0] = "Porte ouverte";
    entry.columns[1] = "Door open";
    words.AppendEntries({entry});
    dictionary = &words;
    vars.Add("DOOR", 3);
    Declare({{"Porte ouverte", "DOOR", "U", "", "", "", "", "", "", "", "", "twelve", "six", "VAR",
              "7"}});
    Start();
    vars.SetBoolean("DOOR", true);
    manager->ScanStep();
    EXPECT_EQ(Active(0)[4], "Porte ouverte");
    EXPECT_EQ(Active(0)[5], "six");
    EXPECT_EQ(manager->AlarmTextAt(0), "twelve");
    EXPECT_EQ(manager->AlarmPairAt(0), (std::pair<std::string, std::string>{"VAR", "7"}));
    EXPECT_EQ(manager->AlarmTextAt(1), "");
    EXPECT_EQ(manager->AlarmPairAt(-1), (std::pair<std::string, std::string>{}));

    const std::uint64_t generation = manager->Generation();
    words.SetLanguageNumber(2);
    manager->ScanStep();
    EXPECT_EQ(Active(0)[4], "Door open") << "the pass end sees the language change";
    EXPECT_NE(manager->Generation(), generation);
}

TEST_F(AlarmManagerTest, SerialPrinterGetsTheLineAndAPortThatCannotOpenIsDropped) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string slave = ::ptsname(master);
    testsupport::TempDir config;
    const char* previous = std::getenv("XDG_CONFIG_HOME");
    const std::optional<std::string> saved =
        previous ? std::optional<std::string>(previous) : std::nullopt;
    ::setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    testsupport::WriteFile(dir / "quorva.ini", "[Ports]\nCOM3=" + slave +
                                                   "\nCOM7=" + (dir / "missing").string() + "\n");
    testsupport::WriteFile(dir / "Alarm.cfg", "\n\n\n9600\nN\n1\n8\n");
    vars.Add("P", 3);
    vars.Add("Q", 3);
    Declare(
        {{"Printed", "P", "U", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "COM3"},
         {"Lost", "Q", "U", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "COM7"},
         {"Shared", "Q", "U", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "COM3"}});
    ManagerLogCapture log;
    Start();
    if (saved)
        ::setenv("XDG_CONFIG_HOME", saved->c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(log.Count("will not print"), 1u);
    EXPECT_EQ(log.Count("port COM7"), 1u);
    EXPECT_EQ(log.Count("COM3"), 0u);

    vars.SetBoolean("P", true);
    vars.SetBoolean("Q", true);
    manager->ScanStep();
    EXPECT_EQ(manager->ActiveAlarmCount(), 3u);
    std::string received;
    pollfd ready{master, POLLIN, 0};
    while (received.find("Shared") == std::string::npos && ::poll(&ready, 1, 2000) > 0) {
        char buffer[256];
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        if (got <= 0)
            break;
        received.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(master);
    EXPECT_NE(received.find("24/05/2024 10:00:00 Printed\r"), std::string::npos) << received;
    EXPECT_NE(received.find("Shared"), std::string::npos) << "alarms share their port";
    EXPECT_EQ(received.find("Lost"), std::string::npos);
}
