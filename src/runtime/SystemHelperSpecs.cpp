// Quorva run-time. Licensed under the MIT licence.
// The helpers that compiled unit code calls with private register contracts.

#include "runtime/SystemHelperSpecs.h"

#include <iterator>

namespace runtime {
namespace {

using enum engine::FunctionKind;
using enum engine::TypeCode;

// The result type is what the compiler assumes of each helper; every helper is a procedure at
// registration except PSTRCPY.
constexpr HelperSpec kHelpers[] = {
    {"MOD", Procedure, Integer},
    {"SHL", Procedure, Integer},
    {"SHR", Procedure, Integer},
    {"ORINT", Procedure, Integer},
    {"ANDINT", Procedure, Integer},
    {"XORINT", Procedure, Integer},
    {"DIVZERO", Procedure, Real},
    {"EXT2INT", Procedure, Integer},
    {"EXT2INTESI", Procedure, Integer},
    {"BYTE2INT", Procedure, Integer},
    {"WORD2INT", Procedure, Integer},
    {"EAX2REAL", Procedure, Integer},
    {"ESI2REAL", Procedure, Integer},
    {"INT2BYTE", Procedure, Byte},
    {"STOREBYTEORMAXBYTE", Procedure, Byte},
    {"STOREWORDORMAXWORD", Procedure, Word},
    {"STOREINTORMAXINTEGER", Procedure, Integer},
    {"PSTRCPY", Function, String},
    {"PSTRCAT", Procedure, String},
    {"PSTRCMP", Procedure, String},
    {"PSTRCPYX", Procedure, String},
    {"PSTRCATX", Procedure, String},
    {"PSTRAFFECTX", Procedure, String},
};

static_assert(std::size(kHelpers) == SystemHelperCount);

} // namespace

std::span<const HelperSpec> SystemHelperSpecs() {
    return kHelpers;
}

} // namespace runtime
