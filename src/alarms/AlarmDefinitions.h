// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace shell {
class ProjectPackage;
class Stream;
} // namespace shell

namespace alarms {

// Limits of what the readers take: a line longer than kMaxLineBytes is skipped, declarations
// beyond kMaxAlarms are dropped, a file larger than kMaxFileBytes is not read at all. Each is
// reported in the reader's problems.
inline constexpr std::size_t kMaxLineBytes = 64 * 1024;
inline constexpr std::size_t kMaxAlarms = 100000;
inline constexpr std::uint64_t kMaxFileBytes = 64ull * 1024 * 1024;

// "Alarm.cfg": one value per line, by line number. Every line may be missing.
struct AlarmConfig {
    // The unit of the purge sizes of lines 2 and 3.
    static constexpr std::uint64_t kSizeUnit = 1024000;

    std::string directory;               // line 1, trimmed; empty: the current directory
    std::uint64_t purgeKeepBytes = 0;    // line 2 x kSizeUnit: what a purge keeps
    std::uint64_t purgeTriggerBytes = 0; // line 3 x kSizeUnit: 0 = never purge
    // Lines 4 to 7: the serial printer's line settings as the serial-port opener takes them:
    // baud text, then the first character of the parity, stop-bits and data-bits lines.
    std::string serialBaud, serialParity, serialStopBits, serialDataBits;
    std::string mailServer; // line 8, trimmed
};

// What a boolean condition watches for (the first character of field 3, upper-cased).
enum class EdgeCondition : char { Up = 'U', Down = 'D', Change = 'S', None = 0 };
// A numeric comparison (the first character of field 3; anything else is '>').
enum class Comparison : char { Greater = '>', Equal = '=', Less = '<' };

// One line of "Alarm.OCO" with a variable: the fields in order, the keywords decoded.
struct AlarmDefinition {
    std::string text;      // 1: source-language text
    std::string variable;  // 2: "NAME", "NAME[n]" (normalised) or a member "A[1].B"
    std::string condition; // 3: as written
    EdgeCondition edge = EdgeCondition::None;    // 3 read for a boolean variable
    Comparison comparison = Comparison::Greater; // 3 read for a numeric variable
    bool thresholdIsVariable = false;
    double threshold = 0;                // 3: the constant threshold
    std::string thresholdVariable;       // 3: the threshold's variable
    double hysteresis = 0;               // 4
    std::uint32_t delayMilliseconds = 0; // 5: tenths of a second x 100
    std::string groupVariable;           // 6
    std::string groupLabel;              // 7
    std::string zoneLabel;               // 8
    std::string inhibitVariable;         // 9
    bool autoAcknowledge = false;        // 10: first character "A"
    bool dataFile = false;               // 11: "DataFile"
    std::string extraText;               // 12
    std::string lineText;                // 13
    std::string pairName, pairValue;     // 14, 15
    std::string acknowledgeVariable;     // 16
    bool acknowledgeSets = false;        // 17: "AcqSet"
    bool beep = false;                   // 18: "Beep"
    std::string serialPort;              // 19: as written ("COM2")
    int serialPortNumber = 0;            // 19: the number from its fourth character on; 0 = none
    std::string mailTo;                  // 20
    bool sms = false;                    // 21: "SMS"
    std::string smsDestination;          // 22
    std::string mailFrom;                // 23
};

// "Alarm.OCO" read: the alarms in file order, every group variable named (also on lines that
// declare no alarm), first mention first and each once (names compared ignoring ASCII case), the
// length of the longest alarm text, and what was wrong with the input.
struct AlarmDeclarations {
    std::vector<AlarmDefinition> alarms;
    std::vector<std::string> groupVariables;
    std::size_t longestText = 0;
    std::vector<std::string> problems;
};

// Splits a line into its fields: TAB-separated, or ":"-separated when the line holds no TAB.
// Every field ends at its separator; text after the last separator is no field.
std::vector<std::string_view> SplitAlarmFields(std::string_view line);

// A number of the declarations: a decimal with "." or "," as the separator, blanks around
// allowed; 0 for anything else.
double DeclarationNumber(std::string_view text);

// The readers never fail: what they cannot use is skipped and named in `problems`.
AlarmDeclarations ReadAlarmDeclarations(std::string_view bytes);
AlarmConfig ReadAlarmConfig(std::string_view bytes, std::vector<std::string>* problems = nullptr);

// The bytes of the project file `name` ("Alarm.cfg", "Alarm.OCO"): the package's entry when
// there is a package and it holds one, else the file of that name in `directory` (letter case
// ignored). Empty when there is neither; a file over kMaxFileBytes is refused (logged) and
// reads as missing.
struct ProjectFileBytes {
    bool found = false;
    std::string bytes;
};
ProjectFileBytes ReadAlarmProjectFile(const shell::ProjectPackage* package,
                                      const std::string& directory, std::string_view name);

} // namespace alarms
