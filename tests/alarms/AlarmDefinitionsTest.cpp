// Quorva run-time. Licensed under the MIT licence.
#include "alarms/AlarmDefinitions.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using alarms::AlarmDeclarations;
using alarms::Comparison;
using alarms::EdgeCondition;

namespace {

// A declaration line of the given fields, each ended by a TAB.
std::string DeclarationLine(const std::vector<std::string>& fields) {
    std::string line;
    for (const std::string& field : fields)
        line += field + "\t";
    return line + "\r\n";
}

} // namespace

TEST(AlarmDefinitions, EveryFieldIsReadWithKeywordsExactAndCaseSensitive) {
    const std::string bytes = DeclarationLine({"Motor hot",
                                               "TEMP",
                                               ">LIMIT",
                                               "10",
                                               "5",
                                               "G_MOTORS",
                                               "Motors",
                                               "Hall 2",
                                               "INHIBIT",
                                               "Auto",
                                               "DataFile",
                                               "more",
                                               "column 6",
                                               "PAIRVAR",
                                               "42",
                                               "ACKVAR",
                                               "AcqSet",
                                               "Beep",
                                               "COM12",
                                               "ops@example.com",
                                               "SMS",
                                               "+331234",
                                               "alarms@example.com"});
    const AlarmDeclarations read = alarms::ReadAlarmDeclarations(bytes);
    ASSERT_EQ(read.alarms.size(), 1u);
    const alarms::AlarmDefinition& alarm = read.alarms[0];
    EXPECT_EQ(alarm.text, "Motor hot");
    EXPECT_EQ(alarm.variable, "TEMP");
    EXPECT_EQ(alarm.comparison, Comparison::Greater);
    EXPECT_TRUE(alarm.thresholdIsVariable);
    EXPECT_EQ(alarm.thresholdVariable, "LIMIT");
    EXPECT_DOUBLE_EQ(alarm.hysteresis, 10.0);
    EXPECT_EQ(alarm.delayMilliseconds, 500u);
    EXPECT_EQ(alarm.groupVariable, "G_MOTORS");
    EXPECT_EQ(alarm.groupLabel, "Motors");
    EXPECT_EQ(alarm.zoneLabel, "Hall 2");
    EXPECT_EQ(alarm.inhibitVariable, "INHIBIT");
    EXPECT_TRUE(alarm.autoAcknowledge);
    EXPECT_TRUE(alarm.dataFile);
    EXPECT_EQ(alarm.extraText, "more");
    EXPECT_EQ(alarm.lineText, "column 6");
    EXPECT_EQ(alarm.pairName, "PAIRVAR");
    EXPECT_EQ(alarm.pairValue, "42");
    EXPECT_EQ(alarm.acknowledgeVariable, "ACKVAR");
    EXPECT_TRUE(alarm.acknowledgeSets);
    EXPECT_TRUE(alarm.beep);
    EXPECT_EQ(alarm.serialPort, "COM12");
    EXPECT_EQ(alarm.serialPortNumber, 12);
    EXPECT_EQ(alarm.mailTo, "ops@example.com");
    EXPECT_TRUE(alarm.sms);
    EXPECT_EQ(alarm.smsDestination, "+331234");
    EXPECT_EQ(alarm.mailFrom, "alarms@example.com");
    EXPECT_EQ(read.groupVariables, std::vector<std::string>{"G_MOTORS"});
    EXPECT_EQ(read.longestText, 9u);

    // Keywords hold only when the field is exactly the word.
    const AlarmDeclarations near = alarms::ReadAlarmDeclarations(
        DeclarationLine({"t", "B", "U", "", "", "",        "",     "", "", "auto", "datafile",
                         "",  "",  "",  "", "", "AcqSet ", "BEEP", "", "", "Sms"}));
    ASSERT_EQ(near.alarms.size(), 1u);
    EXPECT_FALSE(near.alarms[0].autoAcknowledge);
    EXPECT_FALSE(near.alarms[0].dataFile);
    EXPECT_FALSE(near.alarms[0].acknowledgeSets);
    EXPECT_FALSE(near.alarms[0].beep);
    EXPECT_FALSE(near.alarms[0].sms);
    EXPECT_EQ(near.alarms[0].edge, EdgeCondition::Up);
}

TEST(AlarmDefinitions, ColonSeparatesLinesWithoutTabAndAnUnterminatedFieldIsEmpty) {
    const AlarmDeclarations read = alarms::ReadAlarmDeclarations("Pump:PUMP_ON:d:\n"
                                                                 "Valve:VALVE:S\n"
                                                                 "Time 10:30\tCLOCK\tU\t\n");
    ASSERT_EQ(read.alarms.size(), 3u);
    EXPECT_EQ(read.alarms[0].text, "Pump");
    EXPECT_EQ(read.alarms[0].edge, EdgeCondition::Down);
    // "S" has no separator after it: the condition reads empty.
    EXPECT_EQ(read.alarms[1].variable, "VALVE");
    EXPECT_EQ(read.alarms[1].condition, "");
    EXPECT_EQ(read.alarms[1].edge, EdgeCondition::None);
    // A line with a TAB keeps its colons in the text.
    EXPECT_EQ(read.alarms[2].text, "Time 10:30");
    EXPECT_EQ(read.alarms[2].variable, "CLOCK");

    EXPECT_EQ(alarms::SplitAlarmFields("a\tb\tc"), (std::vector<std::string_view>{"a", "b"}));
    EXPECT_TRUE(alarms::SplitAlarmFields("no separator at all").empty());
}

TEST(AlarmDefinitions, VariablesConditionsAndNumbers) {
    const AlarmDeclarations read = alarms::ReadAlarmDeclarations(
        DeclarationLine({"a", " LEVELS [ 3 ] ", "<=50", "abc", "x"}) +
        DeclarationLine({"b", "A[1].B", "=", "2,5", "2.5"}) +
        DeclarationLine({"c", "REC.FLAG", "s"}) + DeclarationLine({"d", "N", "? 7"}) +
        DeclarationLine({"e", "N", ">>-12.5"}) +
        DeclarationLine({"f", "N", "<TABLE[2]", "-4", "-3"}) +
        DeclarationLine({"g", "LEVELS[x]", "1e3"}));
    ASSERT_EQ(read.alarms.size(), 7u);

    EXPECT_EQ(read.alarms[0].variable, "LEVELS[3]");
    EXPECT_EQ(read.alarms[0].comparison, Comparison::Less);
    EXPECT_FALSE(read.alarms[0].thresholdIsVariable);
    EXPECT_DOUBLE_EQ(read.alarms[0].threshold, 50.0);
    // Numbers that are not numbers read as 0.
    EXPECT_DOUBLE_EQ(read.alarms[0].hysteresis, 0.0);
    EXPECT_EQ(read.alarms[0].delayMilliseconds, 0u);

    EXPECT_EQ(read.alarms[1].variable, "A[1].B");
    EXPECT_EQ(read.alarms[1].comparison, Comparison::Equal);
    EXPECT_DOUBLE_EQ(read.alarms[1].threshold, 0.0);
    EXPECT_DOUBLE_EQ(read.alarms[1].hysteresis, 2.5);
    EXPECT_EQ(read.alarms[1].delayMilliseconds, 250u);

    EXPECT_EQ(read.alarms[2].variable, "REC.FLAG");
    EXPECT_EQ(read.alarms[2].edge, EdgeCondition::Change);

    // Any other first character compares with ">", and what follows is the threshold.
    EXPECT_EQ(read.alarms[3].comparison, Comparison::Greater);
    EXPECT_TRUE(read.alarms[3].thresholdIsVariable);
    EXPECT_EQ(read.alarms[3].thresholdVariable, "? 7");
    EXPECT_DOUBLE_EQ(read.alarms[4].threshold, -12.5);
    EXPECT_FALSE(read.alarms[4].thresholdIsVariable);

    EXPECT_EQ(read.alarms[5].thresholdVariable, "TABLE[2]");
    // A negative delay is no delay; a negative hysteresis is kept as written.
    EXPECT_EQ(read.alarms[5].delayMilliseconds, 0u);
    EXPECT_DOUBLE_EQ(read.alarms[5].hysteresis, -4.0);

    // An index that is not a number leaves the name as written.
    EXPECT_EQ(read.alarms[6].variable, "LEVELS[x]");
    EXPECT_DOUBLE_EQ(read.alarms[6].threshold, 1000.0);
    EXPECT_DOUBLE_EQ(alarms::DeclarationNumber("inf"), 0.0);
}

TEST(AlarmDefinitions, GroupsAreRegisteredOnceAlsoFromLinesWithoutAlarm) {
    const AlarmDeclarations read = alarms::ReadAlarmDeclarations(
        DeclarationLine({"a", "X", "U", "", "", "G_ONE"}) +
        DeclarationLine({"no alarm", "", "", "", "", "G_TWO"}) +
        DeclarationLine({"b", "Y", "U", "", "", "g_one"}) + "\r\n" + "just text\r\n");
    EXPECT_EQ(read.alarms.size(), 2u);
    EXPECT_EQ(read.groupVariables, (std::vector<std::string>{"G_ONE", "G_TWO"}));
    EXPECT_TRUE(read.problems.empty());
}

TEST(AlarmDefinitions, AbsurdInputIsBoundedAndReported) {
    std::string bytes = DeclarationLine({"first", "A", "U"});
    bytes += std::string(alarms::kMaxLineBytes + 1, 'x') + "\tB\tU\t\n";
    bytes += DeclarationLine({"after", "C", "U"});
    AlarmDeclarations read = alarms::ReadAlarmDeclarations(bytes);
    ASSERT_EQ(read.alarms.size(), 2u);
    EXPECT_EQ(read.alarms[1].text, "after");
    ASSERT_EQ(read.problems.size(), 1u);
    EXPECT_NE(read.problems[0].find("line 2"), std::string::npos) << read.problems[0];

    std::string many;
    for (std::size_t i = 0; i <= alarms::kMaxAlarms; ++i)
        many += "t\tV\tU\t\n";
    read = alarms::ReadAlarmDeclarations(many);
    EXPECT_EQ(read.alarms.size(), alarms::kMaxAlarms);
    ASSERT_EQ(read.problems.size(), 1u);

    // Bytes that are no declarations at all give nothing, and no crash.
    const std::string binary("\0\xff\t\t\x01:\r\r\n\t", 10);
    read = alarms::ReadAlarmDeclarations(binary);
    EXPECT_TRUE(read.alarms.empty());
}

TEST(AlarmDefinitions, ConfigLinesByNumber) {
    alarms::AlarmConfig config =
        alarms::ReadAlarmConfig("  C:\\Alarms  \r\n2\r\n10\r\n9600\r\nnone\r\n2 "
                                "bits\r\n8\r\nsmtp.example.com \r\nextra\r\n");
    EXPECT_EQ(config.directory, "C:\\Alarms");
    EXPECT_EQ(config.purgeKeepBytes, 2u * alarms::AlarmConfig::kSizeUnit);
    EXPECT_EQ(config.purgeTriggerBytes, 10u * alarms::AlarmConfig::kSizeUnit);
    EXPECT_EQ(config.serialBaud, "9600");
    EXPECT_EQ(config.serialParity, "n");
    EXPECT_EQ(config.serialStopBits, "2");
    EXPECT_EQ(config.serialDataBits, "8");
    EXPECT_EQ(config.mailServer, "smtp.example.com");

    // Missing lines keep their defaults; sizes that are no numbers are 0 (never purge).
    config = alarms::ReadAlarmConfig("\nlots\n-3\n");
    EXPECT_EQ(config.directory, "");
    EXPECT_EQ(config.purgeKeepBytes, 0u);
    EXPECT_EQ(config.purgeTriggerBytes, 0u);
    EXPECT_EQ(config.serialParity, "");
    EXPECT_EQ(config.mailServer, "");
}
