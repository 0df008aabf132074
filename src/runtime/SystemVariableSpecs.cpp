// Quorva run-time. Licensed under the MIT licence.
// Every system variable: name, type, initial value and the part of the run-time it belongs to.

#include "runtime/SystemVariableSpecs.h"

#include <algorithm>
#include <iterator>

namespace runtime {
namespace {

using enum engine::TypeCode;
using Owner = SystemVariableOwner;

// NUMLANG starts at the dictionary's language, set when the cells are created.
constexpr SystemVariableSpec kVariables[] = {
    {"NTVENDORID", Integer, 0, Owner::IoDriver},
    {"NTBUSTYPE", Integer, 1, Owner::IoDriver},
    {"DEBUTESP", Integer, 0, Owner::Modules},
    {"QRUSOURCE", String, 0, Owner::Modules},
    {"POTENTIEL", Integer, -1, Owner::Ladder},
    {"BT_100", Integer, 0, Owner::Scheduler},
    {"BT_10", Integer, 0, Owner::Scheduler},
    {"START_PROG", Boolean, 0, Owner::Scheduler},
    {"END_PROG", Boolean, 0, Owner::Scheduler},
    {"BNONE", Boolean, 0, Owner::Modules},
    {"RNONE", Real, 0, Owner::Modules},
    {"INONE", Integer, 0, Owner::Modules},
    {"SNONE", String, 0, Owner::Modules},
    {"DRAGFROM", String, 0, Owner::Screens},
    {"DBCLICK", Boolean, 0, Owner::Screens},
    {"LBUTTONUP", Boolean, 0, Owner::Screens},
    {"LBUTTONDOWN", Boolean, 0, Owner::Screens},
    {"RBUTTONUP", Boolean, 0, Owner::Screens},
    {"RBUTTONDOWN", Boolean, 0, Owner::Screens},
    {"BT_500", Byte, 0, Owner::Screens},
    {"BT100", Byte, 0, Owner::Screens},
    {"CDATE", Real, 0, Owner::Clock},
    {"CTIME", Real, 0, Owner::Clock},
    {"SCDATE", String, 0, Owner::Clock},
    {"SCTIME", String, 0, Owner::Clock},
    {"WINMENU", String, 0, Owner::Screens},
    {"CYEAR", Word, 0, Owner::Clock},
    {"CMONTH", Byte, 0, Owner::Clock},
    {"CDAY", Byte, 0, Owner::Clock},
    {"CHOUR", Byte, 0, Owner::Clock},
    {"CMIN", Byte, 0, Owner::Clock},
    {"CSEC", Byte, 0, Owner::Clock},
    {"CHSEC", Byte, 0, Owner::Clock},
    {"START_SCRN", Boolean, 0, Owner::Screens},
    {"END_SCRN", Boolean, 0, Owner::Screens},
    {"WINAPPARITION", Boolean, 0, Owner::Screens},
    {"WINDISPARITION", Boolean, 0, Owner::Screens},
    {"MENUID", Word, 0, Owner::Screens},
    {"XMOUSE", Integer, 0, Owner::Screens},
    {"YMOUSE", Integer, 0, Owner::Screens},
    {"XPRINTPAGE", Integer, 0, Owner::Printing},
    {"YPRINTPAGE", Integer, 0, Owner::Printing},
    {"ALTACTIVED", Boolean, 0, Owner::Screens},
    {"SHIFTACTIVED", Boolean, 0, Owner::Screens},
    {"CTRLACTIVED", Boolean, 0, Owner::Screens},
    {"EVENTAPP", Boolean, 0, Owner::Screens},
    {"SCANFORMS", Integer, 10, Owner::Screens},
    {"PAINTSTRUCT", Integer, 0, Owner::Screens},
    {"DOTRANSLATE", Boolean, 1, Owner::Dictionary},
    {"NUMLANG", Integer, 0, Owner::Dictionary},
    {"RUNUSERPROG", Integer, 0, Owner::Screens},
    {"GLOBVARSIZE", Integer, 0, Owner::VariableStore},
    {"BASEGLOBVARS", Integer, 0, Owner::VariableStore},
    {"INT_SYS1", Integer, 0, Owner::General},
    {"INT_SYS2", Integer, 0, Owner::General},
    {"INT_SYS3", Integer, 0, Owner::General},
    {"INT_SYS4", Integer, 0, Owner::General},
    {"INT_SYS5", Integer, 0, Owner::General},
    {"INT_SYS6", Integer, 0, Owner::General},
    {"INT_SYS7", Integer, 0, Owner::General},
    {"INT_SYS8", Integer, 0, Owner::General},
    {"INT_SYS9", Integer, 0, Owner::General},
    {"INT_SYS10", Integer, 0, Owner::General},
    {"REAL_SYS1", Real, 0, Owner::General},
    {"REAL_SYS2", Real, 0, Owner::General},
    {"REAL_SYS3", Real, 0, Owner::General},
    {"REAL_SYS4", Real, 0, Owner::General},
    {"REAL_SYS5", Real, 0, Owner::General},
    {"REAL_SYS6", Real, 0, Owner::General},
    {"REAL_SYS7", Real, 0, Owner::General},
    {"REAL_SYS8", Real, 0, Owner::General},
    {"REAL_SYS9", Real, 0, Owner::General},
    {"REAL_SYS10", Real, 0, Owner::General},
    {"BOOL_SYS1", Boolean, 0, Owner::General},
    {"BOOL_SYS2", Boolean, 0, Owner::General},
    {"BOOL_SYS3", Boolean, 0, Owner::General},
    {"BOOL_SYS4", Boolean, 0, Owner::General},
    {"BOOL_SYS5", Boolean, 0, Owner::General},
    {"BOOL_SYS6", Boolean, 0, Owner::General},
    {"BOOL_SYS7", Boolean, 0, Owner::General},
    {"BOOL_SYS8", Boolean, 0, Owner::General},
    {"BOOL_SYS9", Boolean, 0, Owner::General},
    {"BOOL_SYS10", Boolean, 0, Owner::General},
    {"STR_SYS1", String, 0, Owner::General},
    {"STR_SYS2", String, 0, Owner::General},
    {"STR_SYS3", String, 0, Owner::General},
    {"STR_SYS4", String, 0, Owner::General},
    {"STR_SYS5", String, 0, Owner::General},
    {"STR_SYS6", String, 0, Owner::General},
    {"STR_SYS7", String, 0, Owner::General},
    {"STR_SYS8", String, 0, Owner::General},
    {"STR_SYS9", String, 0, Owner::General},
    {"STR_SYS10", String, 0, Owner::General},
    {"FORMMSGS", Integer, 0, Owner::Screens},
    {"CALLBACKPRINTALARM", Integer, 0, Owner::Alarms},
    {"CALLBACKALARMEX", Integer, 0, Owner::Alarms},
};

static_assert(std::size(kVariables) == SystemVariableCount);
static_assert(kVariables[static_cast<std::size_t>(SystemVariableId::POTENTIEL)].name ==
              "POTENTIEL");
static_assert(kVariables[static_cast<std::size_t>(SystemVariableId::NUMLANG)].name == "NUMLANG");
static_assert(kVariables[SystemVariableCount - 1].name == "CALLBACKALARMEX");
static_assert(static_cast<std::size_t>(SystemVariableId::CALLBACKALARMEX) ==
              SystemVariableCount - 1);

} // namespace

std::span<const SystemVariableSpec> SystemVariableSpecs() {
    return kVariables;
}

const SystemVariableSpec& SystemVariableSpecOf(SystemVariableId id) {
    return kVariables[static_cast<std::size_t>(id)];
}

std::optional<SystemVariableId> FindSystemVariable(std::string_view name) {
    const auto* found =
        std::find_if(std::begin(kVariables), std::end(kVariables),
                     [name](const SystemVariableSpec& spec) { return spec.name == name; });
    if (found == std::end(kVariables))
        return std::nullopt;
    return static_cast<SystemVariableId>(found - std::begin(kVariables));
}

} // namespace runtime
