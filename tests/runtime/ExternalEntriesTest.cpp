// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ExternalEntries.h"

#include "TestSupport.h"
#include "platform/CpuEngine.h"
#include "runtime/RuntimeLibrary.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using platform::GuestAddress;

struct Entries {
    Entries() {
        memory = std::move(platform::GuestMemory::Create().Value());
        library = std::move(runtime::RuntimeLibrary::Create(*memory, functions, variables,
                                                            runtime::Implementations{})
                                .Value());
        cpu = std::move(platform::CpuEngine::Create(*memory).Value());
        entries = std::make_unique<runtime::ExternalEntries>(library->Dispatcher());
    }
    // Calls an entry with the standard convention: `arguments` in declaration order.
    std::uint32_t Call(std::string_view entry, std::vector<std::uint32_t> arguments) {
        std::string error;
        const auto stub = entries->Resolve("kernel32.dll", entry, error);
        EXPECT_TRUE(stub.has_value()) << error;
        std::reverse(arguments.begin(), arguments.end());
        auto result = cpu->Call(stub.value_or(0), {}, arguments);
        EXPECT_TRUE(result.IsOk()) << (result.IsOk() ? "" : result.Error());
        return result.IsOk() ? result.Value().eax : 0xFFFFFFFF;
    }
    GuestAddress Text(std::string_view text) {
        const GuestAddress at = *memory->Allocate(static_cast<std::uint32_t>(text.size() + 1));
        memory->WriteBytes(at, text.data(), static_cast<std::uint32_t>(text.size()));
        return at;
    }

    std::unique_ptr<platform::GuestMemory> memory;
    engine::FunctionCollection functions;
    engine::VariableCollection variables;
    std::unique_ptr<runtime::RuntimeLibrary> library;
    std::unique_ptr<platform::CpuEngine> cpu;
    std::unique_ptr<runtime::ExternalEntries> entries;
};

} // namespace

TEST(ExternalEntries, NamesIgnoreCaseAndSuffixAndStubsAreMadeOnce) {
    Entries rig;
    std::string error;
    const auto first = rig.entries->Resolve("KERNEL32", "gettickcount", error);
    const auto second = rig.entries->Resolve(" Kernel32.DLL ", "GetTickCount", error);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(*first, *second);
    EXPECT_TRUE(rig.entries->Resolve("user32.dll", "MessageBoxA", error).has_value());
    EXPECT_EQ(error, "");
    EXPECT_FALSE(rig.entries->Resolve("gdi32.dll", "BitBlt", error).has_value());
    EXPECT_EQ(error, "gdi32.dll Not Found [no Linux implementation of this library]");
    EXPECT_FALSE(rig.entries->Resolve("kernel32", "CreateFileA", error).has_value());
    EXPECT_EQ(error, "gdi32.dll Not Found [no Linux implementation of this library]"); // first wins
}

TEST(ExternalEntries, GuestTextsStayInsideMappedMemory) {
    Entries rig;
    const GuestAddress buffer = *rig.memory->Allocate(8);
    EXPECT_EQ(runtime::WriteGuestCString(*rig.memory, buffer, 4, "abcdef"), 3u);
    EXPECT_EQ(runtime::ReadGuestCString(*rig.memory, buffer), "abc");
    EXPECT_FALSE(runtime::WriteGuestCString(*rig.memory, 0x10, 4, "x").has_value());
    EXPECT_FALSE(runtime::ReadGuestCString(*rig.memory, 0).has_value());
    // A text that runs to the end of the heap without a NUL is refused, not overrun.
    const GuestAddress end = platform::guest::kHeapBase + platform::guest::kHeapSize - 2;
    rig.memory->Write<std::uint16_t>(end, 0x4141);
    EXPECT_FALSE(runtime::ReadGuestCString(*rig.memory, end).has_value());
    // lstrlenA on an unmapped pointer answers 0 instead of faulting.
    EXPECT_EQ(rig.Call("lstrlenA", {0x10}), 0u);
}

TEST(ExternalEntries, ProfilesListDefaultAndFileErrorsSetLastError) {
    Entries rig;
    testsupport::TempDir dir;
    testsupport::ScopedCurrentDir current(dir.Path());
    testsupport::WriteFile(dir / "cfg.ini",
                           "; comment\n[Line]\nSpeed = 12abc\nName=Press\n[Other]\n");
    const GuestAddress file = rig.Text("CFG.INI"); // letter case of the name is resolved
    const GuestAddress buffer = *rig.memory->Allocate(64);
    // Keys of a section, NUL-separated and ended by a second NUL.
    EXPECT_EQ(rig.Call("GetPrivateProfileStringA", {rig.Text("line"), 0, 0, buffer, 64, file}),
              11u);
    std::string keys(12, '\0');
    rig.memory->ReadBytes(buffer, keys.data(), 12);
    EXPECT_EQ(keys, std::string("Speed\0Name\0\0", 12));
    // A missing key gives the default without its trailing blanks.
    EXPECT_EQ(rig.Call("GetPrivateProfileStringA",
                       {rig.Text("Line"), rig.Text("Nope"), rig.Text("dflt  "), buffer, 64, file}),
              4u);
    EXPECT_EQ(runtime::ReadGuestCString(*rig.memory, buffer), "dflt");
    EXPECT_EQ(rig.Call("GetPrivateProfileIntA", {rig.Text("Line"), rig.Text("SPEED"), 5, file}),
              12u);
    EXPECT_EQ(rig.Call("GetPrivateProfileIntA", {rig.Text("Line"), rig.Text("Gone"), 5, file}), 5u);
    // Writing keeps the comment and removes a key given a NULL value.
    EXPECT_EQ(rig.Call("WritePrivateProfileStringA", {rig.Text("Line"), rig.Text("Name"), 0, file}),
              1u);
    EXPECT_EQ(testsupport::ReadFile(dir / "cfg.ini"),
              "; comment\r\n[Line]\r\nSpeed=12abc\r\n[Other]\r\n");

    EXPECT_EQ(rig.Call("DeleteFileA", {rig.Text("absent.txt")}), 0u);
    EXPECT_EQ(rig.Call("GetLastError", {}), 2u);
    EXPECT_EQ(rig.Call("CopyFileA", {file, rig.Text("copy.ini"), 1}), 1u);
    EXPECT_EQ(rig.Call("CopyFileA", {file, rig.Text("copy.ini"), 1}), 0u); // exists: refused
    EXPECT_EQ(rig.Call("GetLastError", {}), 183u);
}
