// Quorva run-time. Licensed under the MIT licence.
#include "runtime/CallDispatcher.h"

#include "TestSupport.h"
#include "TestUnit.h"
#include "engine/VariableCollection.h"
#include "platform/CpuEngine.h"
#include "platform/Extended.h"
#include "runtime/FunctionTable.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using engine::PassingMode;
using engine::TypeCode;
using platform::GuestAddress;
using runtime::ParameterSpec;
using runtime::ShortString;

constexpr auto V = PassingMode::ByValue;
constexpr auto R = PassingMode::ByReference;
constexpr auto F = engine::FunctionKind::Function;
constexpr auto P = engine::FunctionKind::Procedure;

// What the probes saw, for the test to compare with what the unit passed.
struct ProbeLog {
    std::vector<std::string> calls;
    std::int32_t a = 0, b = 0, c = 0, d = 0, e = 0;
    bool flag = false;
    std::uint8_t byte = 0;
    std::uint16_t word = 0;
    long double real = 0;
    double dbl = 0;
    float single = 0;
    std::int32_t hiddenIndex = 0;
    std::int32_t bitNumber = 0;
    std::vector<std::pair<std::uint32_t, std::uint8_t>> list;
    GuestAddress untyped = 0;
    int nestedDepth = 0;
};
ProbeLog g_log;

std::int32_t Reg3(std::int32_t a, bool b, std::uint8_t c) {
    g_log.calls.push_back("REG3");
    g_log.a = a;
    g_log.flag = b;
    g_log.byte = c;
    return a * 1000 + c;
}

std::int32_t Reg5(std::int32_t a, std::int32_t b, std::uint16_t c, std::int32_t d, std::int32_t e) {
    g_log.calls.push_back("REG5");
    g_log.a = a;
    g_log.b = b;
    g_log.word = c;
    g_log.d = d;
    g_log.e = e;
    return a + b + c + d + e;
}

std::int32_t StrRef(runtime::StringRef s, std::int32_t n) {
    g_log.calls.push_back("STRREF");
    g_log.hiddenIndex = s.HighestIndex();
    s.Set("probe wrote this");
    return n + 1;
}

void Bit(runtime::BitRef state, std::uint16_t key) {
    g_log.calls.push_back("BIT");
    g_log.bitNumber = state.BitNumber();
    g_log.word = key;
    state.Set(true);
}

std::int32_t List(std::int32_t id, runtime::ValueListRef values) {
    g_log.calls.push_back("LIST");
    g_log.a = id;
    g_log.list.clear();
    std::int32_t sum = 0;
    for (std::int32_t i = 0; i < values.Count(); ++i) {
        auto entry = values.Entry(i);
        g_log.list.emplace_back(entry->value, entry->tag);
        sum += static_cast<std::int32_t>(entry->value);
    }
    return sum;
}

long double Reals(std::int32_t a, long double r, double d, std::int32_t b, float s, std::int32_t c) {
    g_log.calls.push_back("REALS");
    g_log.a = a;
    g_log.real = r;
    g_log.dbl = d;
    g_log.b = b;
    g_log.single = s;
    g_log.c = c;
    return r + d + s + a + b + c;
}

ShortString StrRes(std::int32_t value, ShortString name) {
    g_log.calls.push_back("STRRES");
    return ShortString(name.Str() + "=" + std::to_string(value));
}

ShortString StrRes4(std::int32_t a, std::int32_t b, std::int32_t c) {
    g_log.calls.push_back("STRRES4");
    return ShortString(std::to_string(a) + std::to_string(b) + std::to_string(c));
}

double Double(float x) {
    g_log.calls.push_back("DOUBLE");
    return x * 2.0;
}

void Vars(runtime::UntypedRef v, runtime::Ref<std::int32_t> i, runtime::Ref<long double> r) {
    g_log.calls.push_back("VARS");
    g_log.untyped = v.address;
    i.Set(i.GetOr(0) + 42);
    r.Set(2.5L);
}

std::int32_t Callback(runtime::CallFrame& frame, std::int32_t procedure) {
    g_log.calls.push_back("CALLBACK");
    g_log.nestedDepth = frame.Cpu().Depth();
    auto first = frame.Cpu().CallUnitCode(static_cast<GuestAddress>(procedure));
    auto second = frame.Cpu().CallUnitCode(static_cast<GuestAddress>(procedure));
    return first.IsOk() && second.IsOk() ? 99 : -1;
}

#define PARAMETERS(name, ...) constexpr ParameterSpec name[] = {__VA_ARGS__};
PARAMETERS(kReg3, {V, TypeCode::Integer, "A"}, {V, TypeCode::Boolean, "B"}, {V, TypeCode::Byte, "C"})
PARAMETERS(kReg5, {V, TypeCode::Integer, "A"}, {V, TypeCode::Integer, "B"}, {V, TypeCode::Word, "C"},
           {V, TypeCode::Integer, "D"}, {V, TypeCode::Integer, "E"})
PARAMETERS(kStrRef, {R, TypeCode::String, "S"}, {V, TypeCode::Integer, "N"})
PARAMETERS(kBit, {R, TypeCode::Bit, "State"}, {V, TypeCode::Word, "Key"})
PARAMETERS(kList, {V, TypeCode::Integer, "Id"}, {V, TypeCode::ValueList, "Parameters"})
PARAMETERS(kReals, {V, TypeCode::Integer, "A"}, {V, TypeCode::Real, "R"}, {V, TypeCode::Double, "D"},
           {V, TypeCode::Integer, "B"}, {V, TypeCode::Single, "S"}, {V, TypeCode::Integer, "C"})
PARAMETERS(kStrRes, {V, TypeCode::Integer, "Value"}, {V, TypeCode::String, "Name"})
PARAMETERS(kStrRes4, {V, TypeCode::Integer, "A"}, {V, TypeCode::Integer, "B"}, {V, TypeCode::Integer, "C"})
PARAMETERS(kDouble, {V, TypeCode::Single, "X"})
PARAMETERS(kVars, {R, TypeCode::Untyped, "V"}, {R, TypeCode::Integer, "I"}, {R, TypeCode::Real, "R"})
PARAMETERS(kCallback, {V, TypeCode::Integer, "Proc"})
#undef PARAMETERS

const runtime::FunctionSpec kProbes[] = {
    {"P_REG3", F, TypeCode::Integer, kReg3},     {"P_REG5", F, TypeCode::Integer, kReg5},
    {"P_STRREF", F, TypeCode::Integer, kStrRef}, {"P_BIT", P, TypeCode::None, kBit},
    {"P_LIST", F, TypeCode::Integer, kList},     {"P_REALS", F, TypeCode::Real, kReals},
    {"P_STRRES", F, TypeCode::String, kStrRes},  {"P_STRRES4", F, TypeCode::String, kStrRes4},
    {"P_DOUBLE", F, TypeCode::Double, kDouble},  {"P_VARS", P, TypeCode::None, kVars},
    {"P_CALLBACK", F, TypeCode::Integer, kCallback},
};

struct ProbeBinding {
    runtime::HostFunction function;
    bool fits;
};

std::vector<ProbeBinding> Bindings() {
    using namespace runtime;
    return {
        {Bind<&Reg3>(), Fits<&Reg3>(kProbes[0])},       {Bind<&Reg5>(), Fits<&Reg5>(kProbes[1])},
        {Bind<&StrRef>(), Fits<&StrRef>(kProbes[2])},   {Bind<&Bit>(), Fits<&Bit>(kProbes[3])},
        {Bind<&List>(), Fits<&List>(kProbes[4])},       {Bind<&Reals>(), Fits<&Reals>(kProbes[5])},
        {Bind<&StrRes>(), Fits<&StrRes>(kProbes[6])},   {Bind<&StrRes4>(), Fits<&StrRes4>(kProbes[7])},
        {Bind<&Double>(), Fits<&Double>(kProbes[8])},   {Bind<&Vars>(), Fits<&Vars>(kProbes[9])},
        {Bind<&Callback>(), Fits<&Callback>(kProbes[10])},
    };
}

// The contract unit, built from its source by qruasm, placed and linked against the probes.
class CallingContract : public ::testing::Test {
protected:
    void SetUp() override {
        g_log = {};
        m_memory = std::move(platform::GuestMemory::Create().Value());
        m_dispatcher = std::move(runtime::CallDispatcher::Create(*m_memory, 32).Value());
        m_table = std::make_unique<runtime::FunctionTable>(m_functions, m_variables);
        std::vector<ProbeBinding> bindings = Bindings();
        for (std::size_t i = 0; i < std::size(kProbes); ++i) {
            ASSERT_TRUE(bindings[i].fits) << kProbes[i].name;
            auto stub = m_dispatcher->Add(kProbes[i], bindings[i].function);
            ASSERT_TRUE(stub.IsOk());
            ASSERT_TRUE(m_table->RegisterFunction(kProbes[i], stub.Value()).IsOk());
        }
        ASSERT_TRUE(m_table->CreateEntryCells(*m_memory).IsOk());
        auto unit = testsupport::PlaceTestUnit(*m_memory, m_functions,
                                               testsupport::ReadFile(QUORVA_CONTRACT_UNIT));
        ASSERT_TRUE(unit.IsOk()) << unit.Error();
        m_unit = unit.Value();
        m_cpu = std::move(platform::CpuEngine::Create(*m_memory).Value());
    }

    // Runs one case procedure of the unit; every call in it must leave ESP and EBX, ESI, EDI,
    // EBP as they were.
    void RunCase(const std::string& name) {
        Write<std::int32_t>("INTACT", 0);
        Write<std::int32_t>("CHECKS", 0);
        auto done = m_cpu->CallUnitCode(m_unit.entries.at(name));
        ASSERT_TRUE(done.IsOk()) << done.Error();
        EXPECT_EQ(Read<std::int32_t>("INTACT"), Read<std::int32_t>("CHECKS")) << name;
        EXPECT_GT(Read<std::int32_t>("CHECKS"), 0);
    }

    template <typename T> T Read(const std::string& variable, std::uint32_t offset = 0) {
        return *m_memory->Read<T>(m_unit.variables.at(variable) + offset);
    }
    template <typename T> void Write(const std::string& variable, T value) {
        m_memory->Write<T>(m_unit.variables.at(variable), value);
    }
    std::string ReadString(const std::string& variable) {
        return runtime::ReadGuestString(*m_memory, m_unit.variables.at(variable)).Str();
    }
    long double ReadReal(const std::string& variable) {
        return platform::FromExtended(m_memory->Translate(m_unit.variables.at(variable), 10));
    }
    void WriteReal(const std::string& variable, long double value) {
        auto bytes = platform::ToExtended(value);
        m_memory->WriteBytes(m_unit.variables.at(variable), bytes.data(), 10);
    }

    std::unique_ptr<platform::GuestMemory> m_memory;
    std::unique_ptr<runtime::CallDispatcher> m_dispatcher;
    engine::FunctionCollection m_functions;
    engine::VariableCollection m_variables;
    std::unique_ptr<runtime::FunctionTable> m_table;
    testsupport::TestUnit m_unit;
    std::unique_ptr<platform::CpuEngine> m_cpu;
};

} // namespace

TEST_F(CallingContract, RegisterArgumentsAndStackArgumentsArriveInOrder) {
    RunCase("CASEREG3");
    EXPECT_EQ(g_log.a, 11);
    EXPECT_TRUE(g_log.flag);
    EXPECT_EQ(g_log.byte, 0xFE) << "a Byte is the register's low byte";
    EXPECT_EQ(Read<std::int32_t>("R_INT"), 11 * 1000 + 0xFE);

    RunCase("CASEREG5");
    EXPECT_EQ(g_log.a, 1);
    EXPECT_EQ(g_log.b, 2);
    EXPECT_EQ(g_log.word, 3) << "a Word is the register's low 16 bits";
    EXPECT_EQ(g_log.d, 4) << "the first stack argument was pushed first";
    EXPECT_EQ(g_log.e, 5);
    EXPECT_EQ(Read<std::int32_t>("R_INT"), 15);
}

TEST_F(CallingContract, HiddenArgumentsFollowStringsBitsAndValueLists) {
    RunCase("CASESTRREF");
    EXPECT_EQ(ReadString("TEXT"), "probe wrote this");
    EXPECT_EQ(ReadString("SHORTTEXT"), "probe") << "cut to the highest index";
    EXPECT_EQ(g_log.hiddenIndex, 5);
    EXPECT_EQ(Read<std::int32_t>("R_INT"), 42);

    RunCase("CASEBIT");
    EXPECT_EQ(g_log.bitNumber, 37);
    EXPECT_EQ(g_log.word, 0x20);
    EXPECT_EQ(Read<std::uint32_t>("BITS", 0), 0u);
    EXPECT_EQ(Read<std::uint32_t>("BITS", 4), 1u << 5) << "bit 37 is bit 5 of word 1";

    RunCase("CASELIST");
    EXPECT_EQ(g_log.a, 7);
    using Entry = std::pair<std::uint32_t, std::uint8_t>;
    EXPECT_EQ(g_log.list, (std::vector<Entry>{{100, 1}, {20, 2}, {3, 3}}));
    EXPECT_EQ(Read<std::int32_t>("R_INT"), 123);
}

TEST_F(CallingContract, RealsGoOnTheStackAndRealResultsOnTheX87Stack) {
    WriteReal("RVAL", 1.25L);
    Write<double>("DVAL", 0.5);
    Write<float>("SVAL", 0.25f);
    RunCase("CASEREALS");
    EXPECT_EQ(g_log.a, 1000);
    EXPECT_EQ(g_log.real, 1.25L);
    EXPECT_EQ(g_log.dbl, 0.5);
    EXPECT_EQ(g_log.b, 200);
    EXPECT_EQ(g_log.single, 0.25f);
    EXPECT_EQ(g_log.c, 30);
    EXPECT_EQ(ReadReal("R_REAL"), 1232.0L);

    RunCase("CASEDOUBLE");
    EXPECT_EQ(Read<double>("R_DOUBLE"), 0.5);
}

TEST_F(CallingContract, StringResultsGoToTheBufferInTheNextFreePlace) {
    runtime::WriteGuestString(*m_memory, m_unit.variables.at("NAME"), ShortString("level"));
    RunCase("CASESTRRES");
    EXPECT_EQ(ReadString("OUT"), "level=42");
    EXPECT_EQ(ReadString("OUT4"), "123") << "with EAX, EDX, ECX used the buffer is on the stack";
}

TEST_F(CallingContract, ReferencesReachTheUnitsVariables) {
    Write<std::int32_t>("VARINT", 8);
    RunCase("CASEVARS");
    EXPECT_EQ(g_log.untyped, m_unit.variables.at("BLOB"));
    EXPECT_EQ(Read<std::int32_t>("VARINT"), 50);
    EXPECT_EQ(ReadReal("VARREAL"), 2.5L);
}

TEST_F(CallingContract, NestedCallsIntoUnitCodeAndBackKeepEveryFrame) {
    RunCase("CASENESTED");
    EXPECT_EQ(Read<std::int32_t>("R_INT"), 99);
    EXPECT_EQ(g_log.nestedDepth, 1);
    // Each callback pass counted itself and added what P_REG3 returned (5 * 1000 + 6).
    EXPECT_EQ(Read<std::int32_t>("DEPTH"), 2 * (1 + 5006));
    EXPECT_EQ(g_log.calls,
              (std::vector<std::string>{"CALLBACK", "REG3", "REG3"}));
}

TEST(CallingContractLayout, SignaturesWorkOutTheirPlaces) {
    using runtime::ArgumentLocation;
    auto reals = runtime::ComputeCallLayout(kProbes[5]);
    EXPECT_EQ(reals.stackBytes, 24u);
    EXPECT_EQ(reals.parameters[0].value.place, ArgumentLocation::Place::Eax);
    EXPECT_EQ(reals.parameters[3].value.place, ArgumentLocation::Place::Edx);
    EXPECT_EQ(reals.parameters[5].value.place, ArgumentLocation::Place::Ecx);
    EXPECT_EQ(reals.parameters[4].value.stackOffset, 4u) << "the Single, pushed last";
    EXPECT_EQ(reals.parameters[2].value.stackOffset, 8u);
    EXPECT_EQ(reals.parameters[1].value.stackOffset, 16u) << "the Real, pushed first";

    auto strres4 = runtime::ComputeCallLayout(kProbes[7]);
    ASSERT_TRUE(strres4.resultBuffer.has_value());
    EXPECT_EQ(strres4.resultBuffer->place, ArgumentLocation::Place::Stack);
    EXPECT_EQ(strres4.stackBytes, 4u);

    // A function whose types do not fit a row is refused at registration.
    EXPECT_FALSE(runtime::Fits<&Reg3>(kProbes[1]));
    EXPECT_FALSE(runtime::Fits<&StrRes>(kProbes[2]));
}
