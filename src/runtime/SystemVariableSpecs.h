// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "runtime/FunctionSpec.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace runtime {

// The system variables, in registration order. The enumerators carry the variables' own names
// so that run-time code reads like unit code ("END_PROG"); each is the index of its row.
enum class SystemVariableId : std::uint8_t {
    NTVENDORID,
    NTBUSTYPE,
    DEBUTESP,
    QRUSOURCE,
    POTENTIEL,
    BT_100,
    BT_10,
    START_PROG,
    END_PROG,
    BNONE,
    RNONE,
    INONE,
    SNONE,
    DRAGFROM,
    DBCLICK,
    LBUTTONUP,
    LBUTTONDOWN,
    RBUTTONUP,
    RBUTTONDOWN,
    BT_500,
    BT100,
    CDATE,
    CTIME,
    SCDATE,
    SCTIME,
    WINMENU,
    CYEAR,
    CMONTH,
    CDAY,
    CHOUR,
    CMIN,
    CSEC,
    CHSEC,
    START_SCRN,
    END_SCRN,
    WINAPPARITION,
    WINDISPARITION,
    MENUID,
    XMOUSE,
    YMOUSE,
    XPRINTPAGE,
    YPRINTPAGE,
    ALTACTIVED,
    SHIFTACTIVED,
    CTRLACTIVED,
    EVENTAPP,
    SCANFORMS,
    PAINTSTRUCT,
    DOTRANSLATE,
    NUMLANG,
    RUNUSERPROG,
    GLOBVARSIZE,
    BASEGLOBVARS,
    INT_SYS1,
    INT_SYS2,
    INT_SYS3,
    INT_SYS4,
    INT_SYS5,
    INT_SYS6,
    INT_SYS7,
    INT_SYS8,
    INT_SYS9,
    INT_SYS10,
    REAL_SYS1,
    REAL_SYS2,
    REAL_SYS3,
    REAL_SYS4,
    REAL_SYS5,
    REAL_SYS6,
    REAL_SYS7,
    REAL_SYS8,
    REAL_SYS9,
    REAL_SYS10,
    BOOL_SYS1,
    BOOL_SYS2,
    BOOL_SYS3,
    BOOL_SYS4,
    BOOL_SYS5,
    BOOL_SYS6,
    BOOL_SYS7,
    BOOL_SYS8,
    BOOL_SYS9,
    BOOL_SYS10,
    STR_SYS1,
    STR_SYS2,
    STR_SYS3,
    STR_SYS4,
    STR_SYS5,
    STR_SYS6,
    STR_SYS7,
    STR_SYS8,
    STR_SYS9,
    STR_SYS10,
    FORMMSGS,
    CALLBACKPRINTALARM,
    CALLBACKALARMEX,
};

inline constexpr std::size_t SystemVariableCount = 96;

std::span<const SystemVariableSpec> SystemVariableSpecs();
const SystemVariableSpec& SystemVariableSpecOf(SystemVariableId id);
// The id of the variable of that name (exact, upper case), or none.
std::optional<SystemVariableId> FindSystemVariable(std::string_view name);

} // namespace runtime
