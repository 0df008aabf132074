// Quorva run-time. Licensed under the MIT licence.

#include "runtime/SystemFunctionSpecs.h"

#include "runtime/SystemHelperSpecs.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace runtime {
namespace {

using engine::FunctionKind;
using engine::PassingMode;
using engine::TypeCode;

const FunctionSpec& Spec(std::string_view name) {
    const FunctionSpec* spec = FindSystemFunctionSpec(name);
    EXPECT_NE(spec, nullptr) << name;
    static const FunctionSpec missing{"", FunctionKind::Procedure, TypeCode::None, {}};
    return spec ? *spec : missing;
}

std::size_t IndexOf(std::string_view name) {
    const auto rows = SystemFunctionSpecs();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].name == name)
            return i;
    }
    ADD_FAILURE() << name << " is not a row";
    return rows.size();
}

TEST(SystemFunctionSpecs, CountsOrderAndFamilyBoundaries) {
    const auto helpers = SystemHelperSpecs();
    ASSERT_EQ(helpers.size(), 23u);
    EXPECT_EQ(helpers.front().name, "MOD");
    EXPECT_EQ(helpers.back().name, "PSTRAFFECTX");
    for (const HelperSpec& helper : helpers) {
        EXPECT_EQ(helper.kind,
                  helper.name == "PSTRCPY" ? FunctionKind::Function : FunctionKind::Procedure)
            << helper.name;
    }
    EXPECT_EQ(helpers[6].name, "DIVZERO");
    EXPECT_EQ(helpers[6].result, TypeCode::Real);
    EXPECT_EQ(helpers[15].result, TypeCode::Word);

    const auto rows = SystemFunctionSpecs();
    ASSERT_EQ(rows.size(), 497u);
    EXPECT_EQ(rows.front().name, "INTTOSTR");
    EXPECT_EQ(rows[CoreBuiltinCount - 1].name, "ISET");
    EXPECT_EQ(rows[CoreBuiltinCount].name, "XADDIMAGE");
    EXPECT_EQ(rows.back().name, "GETFORMHANDLE");
    EXPECT_EQ(IndexOf("@"), IndexOf("ADDR") + 1);
    EXPECT_EQ(IndexOf("COMPUTE16"), IndexOf("COMPUTE2") + 14);
    EXPECT_EQ(IndexOf("GO2"), IndexOf("COMMUT_FIG") + 1);
    EXPECT_LT(IndexOf("WEBSEARCH"), IndexOf("GETQRUVALUE"));

    std::set<std::string_view> names;
    for (const FunctionSpec& row : rows) {
        EXPECT_TRUE(names.insert(row.name).second) << "duplicate " << row.name;
        EXPECT_EQ(row.kind == FunctionKind::Procedure, row.result == TypeCode::None) << row.name;
        EXPECT_LE(row.ParameterCount(), 16u) << row.name;
        EXPECT_EQ(row.name.find_first_of("abcdefghijklmnopqrstuvwxyz "), std::string_view::npos);
    }
}

TEST(SystemFunctionSpecs, RowsWithoutParametersCarryOnePlaceholder) {
    for (const char* name : {"XALPHASORT", "GETCHRONO", "NOW", "CLOSEAPPLI", "TRESETALLPOINTS"}) {
        const FunctionSpec& spec = Spec(name);
        EXPECT_EQ(spec.ParameterCount(), 0u) << name;
        ASSERT_EQ(spec.RegisteredLists().size(), 1u) << name;
        EXPECT_EQ(spec.RegisteredLists()[0],
                  (ParameterSpec{PassingMode::ByValue, TypeCode::None, ""}));
    }
    EXPECT_EQ(Spec("GETCHRONO").result, TypeCode::Single);
    EXPECT_EQ(Spec("INTTOHEX").RegisteredLists().size(), 2u);
}

TEST(SystemFunctionSpecs, TrickySignaturesKeepTheirDeclaredForm) {
    for (int n = 2; n <= 16; ++n) {
        const FunctionSpec& spec = Spec("COMPUTE" + std::to_string(n));
        EXPECT_EQ(spec.kind, FunctionKind::Procedure);
        ASSERT_EQ(spec.ParameterCount(), static_cast<std::size_t>(n));
        for (int b = 0; b < n; ++b) {
            EXPECT_EQ(
                spec.parameters[static_cast<std::size_t>(b)],
                (ParameterSpec{PassingMode::ByValue, TypeCode::Boolean, "B" + std::to_string(b)}));
        }
    }

    const FunctionSpec& scale = Spec("SCALE");
    ASSERT_EQ(scale.ParameterCount(), 5u);
    EXPECT_EQ(scale.parameters[0].name, "Var");
    EXPECT_EQ(scale.parameters[0].mode, PassingMode::ByValue);
    EXPECT_EQ(scale.parameters[4].name, "InputHighRange");
    EXPECT_EQ(scale.parameters[2].name, scale.parameters[4].name);
    EXPECT_EQ(scale.result, TypeCode::Real);

    EXPECT_EQ(Spec("XSETIMAGE").parameters[1].name, "Image Number");
    EXPECT_EQ(Spec("XSENDEMAIL").parameters[1].name, "Mail Dest.");
    EXPECT_EQ(Spec("XSENDEMAIL").parameters[3].name, "Body (text)");
    EXPECT_EQ(Spec("SETPAGE").parameters[0].name, "#Page");
    EXPECT_EQ(Spec("GENABLEDISPLAY").parameters[0].name, "On/Off");
    EXPECT_EQ(Spec("DATETIMETOSTR").parameters[0].name, "Date+Time");
    EXPECT_EQ(Spec("SETLANGUAGE").parameters[0].name, "Lang.Num");
    // "Var Name" is a by-value name, not a by-reference "Name".
    EXPECT_EQ(Spec("GETQRUVALUE").parameters[0],
              (ParameterSpec{PassingMode::ByValue, TypeCode::String, "Var Name"}));

    EXPECT_EQ(Spec("PUSHBUTTON").parameters[0],
              (ParameterSpec{PassingMode::ByReference, TypeCode::Bit, "State"}));
    EXPECT_EQ(Spec("MOVE").parameters[1],
              (ParameterSpec{PassingMode::ByReference, TypeCode::Untyped, "Destination"}));
    EXPECT_EQ(Spec("LENGTH").parameters[0],
              (ParameterSpec{PassingMode::ByReference, TypeCode::String, "String"}));
    EXPECT_EQ(Spec("DISPFUNC").parameters[3].type, TypeCode::ValueList);
    EXPECT_EQ(Spec("DISPFUNC").parameters[0].type, TypeCode::Word);
    EXPECT_EQ(Spec("VT2DOUBLE").result, TypeCode::Double);
    EXPECT_EQ(Spec("ORD").result, TypeCode::Byte);
    for (const ParameterSpec& parameter : Spec("GETVARLEN").parameters)
        EXPECT_EQ(parameter.mode, PassingMode::ByReference);
    const FunctionSpec& bounds = Spec("FORMGETBOUNDS");
    ASSERT_EQ(bounds.ParameterCount(), 5u);
    EXPECT_EQ(bounds.parameters[0].mode, PassingMode::ByValue);
    EXPECT_EQ(bounds.parameters[4].mode, PassingMode::ByReference);
}

TEST(SystemFunctionSpecs, SharedAndMissingImplementationsAreMarked) {
    EXPECT_EQ(Spec("@").sharesEntryOf, "ADDR");
    EXPECT_EQ(Spec("GO2").sharesEntryOf, "COMMUT_FIG");
    EXPECT_EQ(Spec("@").parameters[0], Spec("ADDR").parameters[0]);
    EXPECT_FALSE(Spec("ACTIVEDVE").implemented);
    std::size_t shared = 0;
    std::size_t unimplemented = 0;
    for (const FunctionSpec& row : SystemFunctionSpecs()) {
        shared += row.sharesEntryOf.empty() ? 0 : 1;
        unimplemented += row.implemented ? 0 : 1;
    }
    EXPECT_EQ(shared, 2u);
    EXPECT_EQ(unimplemented, 1u);
}

} // namespace
} // namespace runtime
