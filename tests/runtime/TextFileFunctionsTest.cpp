// Quorva run-time. Licensed under the MIT licence.
#include "runtime/TextFileFunctions.h"

#include "LibraryRig.h"
#include "TestSupport.h"
#include "TestUnit.h"
#include "platform/CpuEngine.h"
#include "runtime/GuestValues.h"
#include "runtime/Services.h"
#include "shell/Dictionary.h"
#include "shell/MessageBoxes.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

// Caption and text of each box shown.
class TextFileBoxRecorder final : public shell::MessagePresenter {
public:
    std::int32_t Show(const std::string& caption, const std::string& text, std::uint32_t) override {
        boxes.emplace_back(caption, text);
        return shell::answer::Ok;
    }
    std::vector<std::pair<std::string, std::string>> boxes;
};

// The text file functions bound in fresh guest memory, the TEXTFILECALLER unit placed in it and
// a temporary project directory as the current directory, so that unit code names files as
// projects do (relative, backslashes, any letter case).
class TextFileRig : public testsupport::LibraryRig {
public:
    TextFileRig() : m_inProject(m_project.Path()) {
        platform::Status built = BuildLibrary({&runtime::AddTextFileFunctions});
        if (!built.IsOk()) {
            ADD_FAILURE() << built.Error();
            return;
        }
        services.boxes = &m_boxes;
        library->Dispatcher().SetServices(&services);
        auto engine = platform::CpuEngine::Create(*memory);
        if (!engine.IsOk()) {
            ADD_FAILURE() << engine.Error();
            return;
        }
        cpu = std::move(engine.Value());
        auto placed =
            testsupport::PlaceTestUnit(*memory, functions, ReadFile(QUORVA_TEXT_FILE_CALLER_UNIT));
        if (!placed.IsOk()) {
            ADD_FAILURE() << placed.Error();
            return;
        }
        unit = placed.Value();
        SetInt("HIGH", 255);
        ready = true;
    }
    ~TextFileRig() {
        if (memory)
            runtime::textfile::CloseAll(*memory);
    }

    // Runs a procedure; the fault it ended with, empty when it returned normally.
    std::string Fault(const std::string& procedure) {
        platform::Status ran = cpu->CallUnitCode(unit.entries.at(procedure));
        return ran.IsOk() ? std::string() : ran.Error();
    }
    void Call(const std::string& procedure) { EXPECT_EQ(Fault(procedure), "") << procedure; }

    platform::GuestAddress Var(const std::string& name) const { return unit.variables.at(name); }
    std::int32_t Int(const std::string& name) const {
        return memory->Read<std::int32_t>(Var(name)).value_or(-12345);
    }
    void SetInt(const std::string& name, std::int32_t value) {
        memory->Write<std::int32_t>(Var(name), value);
    }
    std::string Str(const std::string& name) const {
        return runtime::ReadGuestString(*memory, Var(name)).Str();
    }
    void SetStr(const std::string& name, std::string_view text) {
        runtime::WriteGuestString(*memory, Var(name), runtime::ShortString(text));
    }
    // All 256 bytes of a String variable.
    std::string Raw(const std::string& name) const {
        std::string bytes(256, '\0');
        memory->ReadBytes(Var(name), bytes.data(), 256);
        return bytes;
    }

    std::filesystem::path Host(std::string_view name) const { return m_project / name; }
    const std::vector<std::pair<std::string, std::string>>& Boxes() const {
        return m_presenter.boxes;
    }

    // Opens NAME with FILETEXTOPEN or FILETEXTAPPEND into HANDLE.
    std::int32_t Open(std::string_view name, bool append = false) {
        SetStr("NAME", name);
        Call(append ? "DOAPPEND" : "DOOPEN");
        return Int("HANDLE");
    }

    bool ready = false;
    runtime::Services services;
    std::unique_ptr<platform::CpuEngine> cpu;
    testsupport::TestUnit unit;

private:
    testsupport::TempDir m_project;
    testsupport::ScopedCurrentDir m_inProject;
    shell::Dictionary m_dictionary;
    TextFileBoxRecorder m_presenter;
    shell::MessageBoxes m_boxes{m_dictionary, m_presenter};
};

TEST(TextFileFunctions, WriteCloseReadRoundTripFromUnitCode) {
    TextFileRig rig;
    ASSERT_TRUE(rig.ready);
    const std::uint64_t heapBefore = rig.memory->HeapInUse();

    // A missing file is created by FILETEXTAPPEND; lines end in CR LF, WRITE adds none, and
    // code-page bytes go out as they are.
    const std::int32_t handle = rig.Open("Data.TXT", true);
    ASSERT_NE(handle, 0);
    EXPECT_EQ(rig.memory->HeapInUse(), heapBefore + runtime::textfile::kRecordSize + 4);
    rig.SetStr("TEXT", "Temp");
    rig.Call("DOWRITE");
    rig.SetStr("TEXT", " = 21\xB0"
                       "C");
    rig.Call("DOWRITELN");
    rig.SetStr("TEXT", "");
    rig.Call("DOWRITELN");
    rig.Call("DOEOF");
    EXPECT_EQ(rig.Int("IRES"), 1) << "a file open for appending is always at its end";
    rig.Call("DOCLOSE");
    EXPECT_EQ(rig.Int("HANDLE"), 0);
    EXPECT_EQ(runtime::textfile::OpenCount(*rig.memory), 0u);
    EXPECT_EQ(rig.memory->HeapInUse(), heapBefore);
    EXPECT_EQ(ReadFile(rig.Host("Data.TXT")), "Temp = 21\xB0"
                                              "C\r\n\r\n");

    // Appending to an existing file adds at its end; the name's letter case does not matter.
    rig.Open("DATA.txt", true);
    rig.SetStr("TEXT", "last");
    rig.Call("DOWRITELN");
    rig.Call("DOCLOSE");
    EXPECT_EQ(ReadFile(rig.Host("Data.TXT")), "Temp = 21\xB0"
                                              "C\r\n\r\nlast\r\n");

    // Reading back line by line, EOF after the last line; READLN past the end gives "".
    ASSERT_NE(rig.Open("data.txt"), 0);
    rig.Call("DOEOF");
    EXPECT_EQ(rig.Int("IRES"), 0);
    rig.Call("DOREADLN");
    EXPECT_EQ(rig.Str("LINE"), "Temp = 21\xB0"
                               "C");
    rig.Call("DOREADLN");
    EXPECT_EQ(rig.Str("LINE"), "");
    rig.Call("DOREADLN");
    EXPECT_EQ(rig.Str("LINE"), "last");
    rig.Call("DOEOF");
    EXPECT_EQ(rig.Int("IRES"), 1);
    rig.SetStr("LINE", "stale");
    rig.Call("DOREADLN");
    EXPECT_EQ(rig.Str("LINE"), "");
    rig.Call("DOCLOSE");

    // FILETEXTOPEN of a missing file creates it empty and is at its end at once.
    ASSERT_NE(rig.Open("new.txt"), 0);
    rig.Call("DOCOUNTLINES");
    EXPECT_EQ(rig.Int("COUNT"), 0);
    rig.Call("DOCLOSE");
    ASSERT_TRUE(std::filesystem::exists(rig.Host("new.txt")));
    EXPECT_EQ(std::filesystem::file_size(rig.Host("new.txt")), 0u);
    EXPECT_TRUE(rig.Boxes().empty());
}

TEST(TextFileFunctions, ReadsCrLfAndLfLinesAndCutsToTheDestination) {
    TextFileRig rig;
    ASSERT_TRUE(rig.ready);
    std::filesystem::create_directory(rig.Host("logs"));
    WriteFile(rig.Host("logs/mixed.txt"), "one\r\ntwo\nthree");
    rig.Open("LOGS\\Mixed.txt");
    for (const char* expected : {"one", "two", "three"}) {
        rig.Call("DOREADLN");
        EXPECT_EQ(rig.Str("LINE"), expected) << "a last line without a line end counts too";
    }
    rig.Call("DOEOF");
    EXPECT_EQ(rig.Int("IRES"), 1);
    rig.Call("DOCLOSE");

    // A line longer than the variable: the variable keeps its highest index's worth, the rest
    // of the line is skipped, nothing past the variable is written.
    WriteFile(rig.Host("long.txt"), std::string(300, 'x') + "\r\nnext\r\n" + std::string(300, 'y'));
    rig.Open("long.txt");
    const std::string filled(256, 'z');
    rig.memory->WriteBytes(rig.Var("LINE"), filled.data(), 256);
    rig.SetInt("HIGH", 10);
    rig.Call("DOREADLN");
    EXPECT_EQ(rig.Str("LINE"), std::string(10, 'x'));
    EXPECT_EQ(rig.Raw("LINE").substr(11), filled.substr(11)) << "written past the highest index";
    rig.Call("DOREADLN");
    EXPECT_EQ(rig.Str("LINE"), "next");
    rig.SetInt("HIGH", 255);
    rig.Call("DOREADLN");
    EXPECT_EQ(rig.Str("LINE"), std::string(255, 'y'));
    rig.Call("DOCLOSE");
}

TEST(TextFileFunctions, FileThatCannotBeCreatedShowsTheBoxAndLeavesTheHandleZero) {
    TextFileRig rig;
    ASSERT_TRUE(rig.ready);
    const std::uint64_t heapBefore = rig.memory->HeapInUse();
    rig.SetInt("HANDLE", 0x1234);
    EXPECT_EQ(rig.Open("missing\\out.txt"), 0);
    rig.SetInt("HANDLE", 0x1234);
    EXPECT_EQ(rig.Open("missing\\out.txt", true), 0);
    ASSERT_EQ(rig.Boxes().size(), 2u);
    EXPECT_EQ(rig.Boxes()[0].first, "Error OpenTextFile");
    EXPECT_EQ(rig.Boxes()[0].second, "missing\\out.txt");
    EXPECT_EQ(rig.Boxes()[1].first, "Error AppendTextFile");
    EXPECT_EQ(runtime::textfile::OpenCount(*rig.memory), 0u);
    EXPECT_EQ(rig.memory->HeapInUse(), heapBefore) << "the record of a failed open is freed";
    EXPECT_FALSE(std::filesystem::exists(rig.Host("missing")));

    // The handle stays refused afterwards: reading and writing do nothing.
    rig.Call("DOEOF");
    EXPECT_EQ(rig.Int("IRES"), 1);
    rig.SetStr("TEXT", "lost");
    rig.Call("DOWRITELN");
}

TEST(TextFileFunctions, HandlesTheRunTimeDidNotHandOutAreRefused) {
    TextFileRig rig;
    ASSERT_TRUE(rig.ready);
    WriteFile(rig.Host("keep.txt"), "kept\r\n");
    const std::int32_t closed = rig.Open("keep.txt");
    rig.Call("DOCLOSE");
    // A heap block unit code owns, unmapped and wild addresses, and a closed handle.
    const platform::GuestAddress owned =
        rig.memory->Allocate(runtime::textfile::kRecordSize).value();
    const std::int32_t forged[] = {
        0, closed, static_cast<std::int32_t>(owned), 0x10, static_cast<std::int32_t>(0xDEADBEEF),
        -1};
    for (std::int32_t handle : forged) {
        SCOPED_TRACE(handle);
        rig.SetInt("HANDLE", handle);
        rig.SetStr("LINE", "untouched");
        rig.Call("DOREADLN");
        EXPECT_EQ(rig.Str("LINE"), "untouched");
        rig.SetStr("TEXT", "x");
        rig.Call("DOWRITELN");
        rig.Call("DOWRITE");
        rig.Call("DOEOF");
        EXPECT_EQ(rig.Int("IRES"), 1);
        rig.Call("DOCOUNTLINES");
        EXPECT_EQ(rig.Int("COUNT"), 0);
        rig.Call("DOCLOSE");
        EXPECT_EQ(rig.Int("HANDLE"), handle) << "a refused handle is left as it is";
    }
    EXPECT_EQ(rig.memory->BlockSize(owned), runtime::textfile::kRecordSize + 4)
        << "closing a forged handle must not free the unit's own block";
    EXPECT_EQ(ReadFile(rig.Host("keep.txt")), "kept\r\n");
}

TEST(TextFileFunctions, WrongDirectionRaisesTheInputOutputErrorOutOfTheCall) {
    TextFileRig rig;
    ASSERT_TRUE(rig.ready);
    WriteFile(rig.Host("in.txt"), "a\r\n");
    rig.Open("in.txt");
    rig.SetStr("TEXT", "never");
    const std::string writeFault = rig.Fault("DOWRITELN");
    EXPECT_NE(writeFault.find("I/O error 105 in WRITELN"), std::string::npos) << writeFault;
    EXPECT_NE(rig.Fault("DOWRITE").find("I/O error 105 in WRITE"), std::string::npos);
    EXPECT_EQ(ReadFile(rig.Host("in.txt")), "a\r\n");
    // The fault stops that call only: the file stays open and usable.
    rig.Call("DOREADLN");
    EXPECT_EQ(rig.Str("LINE"), "a");
    rig.Call("DOCLOSE");

    rig.Open("in.txt", true);
    rig.SetStr("LINE", "untouched");
    const std::string readFault = rig.Fault("DOREADLN");
    EXPECT_NE(readFault.find("I/O error 104 in READLN"), std::string::npos) << readFault;
    EXPECT_EQ(rig.Str("LINE"), "untouched");
    rig.Call("DOCLOSE");
    EXPECT_EQ(runtime::textfile::OpenCount(*rig.memory), 0u);
}

TEST(TextFileFunctions, OpenFilesAreLimitedAndAllCloseAtTheEndOfTheRun) {
    TextFileRig rig;
    ASSERT_TRUE(rig.ready);
    const std::uint64_t heapBefore = rig.memory->HeapInUse();
    std::vector<std::int32_t> handles;
    for (std::size_t i = 0; i < runtime::textfile::kMaxOpenFiles; ++i)
        handles.push_back(rig.Open("many.txt", true));
    EXPECT_EQ(std::count(handles.begin(), handles.end(), 0), 0);
    EXPECT_EQ(rig.Open("many.txt", true), 0) << "one file too many is refused";
    EXPECT_EQ(runtime::textfile::OpenCount(*rig.memory), runtime::textfile::kMaxOpenFiles);

    rig.SetInt("HANDLE", handles.front());
    rig.SetStr("TEXT", "first");
    rig.Call("DOWRITELN");
    runtime::textfile::CloseAll(*rig.memory);
    EXPECT_EQ(runtime::textfile::OpenCount(*rig.memory), 0u);
    EXPECT_EQ(rig.memory->HeapInUse(), heapBefore);
    rig.Call("DOWRITELN");
    EXPECT_EQ(ReadFile(rig.Host("many.txt")), "first\r\n");
}

TEST(TextFileFunctions, FileCommandsOnProjectPaths) {
    TextFileRig rig;
    ASSERT_TRUE(rig.ready);
    std::filesystem::create_directory(rig.Host("sub"));
    WriteFile(rig.Host("sub/a.txt"), "AAA");
    WriteFile(rig.Host("b.txt"), "BBB");

    const auto run = [&rig](const char* procedure, std::string_view name, std::string_view name2) {
        rig.SetStr("NAME", name);
        rig.SetStr("NAME2", name2);
        rig.SetInt("IRES", -1);
        rig.Call(procedure);
        return rig.Int("IRES");
    };
    EXPECT_EQ(run("DOEXISTS", "SUB\\A.TXT", ""), 1);
    EXPECT_EQ(run("DOEXISTS", "sub\\none.txt", ""), 0);
    EXPECT_EQ(run("DOEXISTS", "sub", ""), 0) << "a directory is no file";
    EXPECT_EQ(run("DOEXISTS", "", ""), 0);

    EXPECT_EQ(run("DOCOPY", "sub\\a.txt", "c.txt"), 1);
    EXPECT_EQ(ReadFile(rig.Host("c.txt")), "AAA");
    EXPECT_EQ(run("DOCOPY", "b.txt", "c.txt"), 1) << "a copy replaces the destination";
    EXPECT_EQ(ReadFile(rig.Host("c.txt")), "BBB");
    EXPECT_EQ(run("DOCOPY", "none.txt", "d.txt"), 0);
    EXPECT_FALSE(std::filesystem::exists(rig.Host("d.txt")));

    EXPECT_EQ(run("DOCONCAT", "sub\\a.txt", "b.txt"), 1);
    EXPECT_EQ(ReadFile(rig.Host("b.txt")), "BBBAAA");
    EXPECT_EQ(run("DOCONCAT", "none.txt", "b.txt"), 0);
    EXPECT_EQ(ReadFile(rig.Host("b.txt")), "BBBAAA");
    EXPECT_EQ(run("DOCONCAT", "sub\\a.txt", "e.txt"), 1) << "a missing destination is created";
    EXPECT_EQ(ReadFile(rig.Host("e.txt")), "AAA");

    EXPECT_EQ(run("DORENAME", "C.TXT", "sub\\moved.txt"), 1);
    EXPECT_FALSE(std::filesystem::exists(rig.Host("c.txt")));
    EXPECT_EQ(ReadFile(rig.Host("sub/moved.txt")), "BBB");
    EXPECT_EQ(run("DORENAME", "b.txt", "e.txt"), 0) << "a rename never replaces a file";
    EXPECT_EQ(ReadFile(rig.Host("b.txt")), "BBBAAA");
    EXPECT_EQ(ReadFile(rig.Host("e.txt")), "AAA");
    EXPECT_EQ(run("DORENAME", "none.txt", "f.txt"), 0);

    // CLEARBLANK trims blanks (spaces and tabs) at both ends only.
    for (const auto& [text, expected] :
         {std::pair<std::string, std::string>{"  Pump 1 \t", "Pump 1"},
          {"\t\t", ""},
          {std::string(255, ' '), ""}}) {
        rig.SetStr("TEXT", text);
        rig.SetStr("SRES", "stale");
        rig.Call("DOCLEARBLANK");
        EXPECT_EQ(rig.Str("SRES"), expected) << '"' << text << '"';
    }
}

} // namespace
