// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "QruTestBytes.h"
#include "engine/QruModule.h"

#include <string>
#include <vector>

// Two sample modules, each given twice: as bytes laid out field by field, and as the model the
// reader must give for them. Both are written in the writer's own form (flags as 1, repeated
// fix-up names as the 0 byte), so WriteQruModule of the model must give exactly the bytes.
namespace qrutest {

struct ExcelFunction {
    const char* name;
    const char* entry;
    bool returnsInteger;
    std::vector<engine::QruParameter> parameters;
};

inline const std::vector<ExcelFunction>& ExcelFunctions() {
    static const std::vector<ExcelFunction> s_functions = {
        {"STARTEXCEL", "StartExcel", true, {}},
        {"STOPEXCEL", "StopExcel", false, {}},
        {"OPENWORKBOOK", "OpenWorkbook", true, {{1, 9, "NAME"}}},
        {"CLOSEWORKBOOK", "CloseWorkbook", false, {{1, 4, "BOOK"}}},
        {"SELECTSHEET", "SelectSheet", true, {{1, 4, "BOOK"}, {1, 9, "SHEET"}}},
        {"READCELL", "ReadCell", true, {{1, 4, "ROW"}, {1, 4, "COL"}}},
        {"WRITECELL", "WriteCell", false, {{1, 4, "ROW"}, {1, 4, "COL"}, {1, 4, "VALUE"}}},
        {"READCELLEX", "ReadCellEx", false, {{1, 4, "ROW"}, {1, 4, "COL"}, {0, 9, "TEXT"}}},
        {"WRITECELLEX", "WriteCellEx", false, {{1, 4, "ROW"}, {1, 4, "COL"}, {1, 9, "TEXT"}}},
        {"SAVEWORKBOOK", "SaveWorkbook", true, {{1, 4, "BOOK"}, {0, 19, "OPTIONS"}}},
        {"GETROWCOUNT", "GetRowCount", true, {{1, 4, "BOOK"}}},
        {"GETCOLCOUNT", "GetColCount", true, {{1, 4, "BOOK"}}},
    };
    return s_functions;
}

inline std::string ExcelCode() {
    std::string code(97, '\0');
    for (std::size_t i = 0; i < code.size(); ++i)
        code[i] = static_cast<char>(0x90 + i % 7);
    code.replace(72, 6, "\xff\x15\0\0\0\0", 6); // call dword ptr [cell], the cell at site 74
    return code;
}

// A library unit binding twelve DLL entries: no variables, code size 97, an empty variable
// fix-up list and one function fix-up at site 74.
inline std::string ExcelSampleBytes() {
    LittleEndianBytes b;
    b.Raw("QRU02").F64(44727.625).U8(0).U8(0).I32(48).I32(97);
    b.I32(0); // types
    b.I32(0); // variables
    b.I32(12);
    for (const ExcelFunction& function : ExcelFunctions()) {
        b.Str(function.name).I32(0).U8(0).I32(0);
        b.U8(function.returnsInteger ? 11 : 12).U8(function.returnsInteger ? 4 : 18);
        b.U8(1).U8(0).U8(1).Str("ExcelIO").Str(function.entry);
        b.I32(static_cast<std::int32_t>(function.parameters.size()));
        for (const engine::QruParameter& parameter : function.parameters)
            b.U8(parameter.mode).U8(parameter.type).Str(parameter.name);
    }
    b.I32(0);                              // accessors
    b.U8(0).I32(10).U8(1).I32(0);          // spare flag, period, non-cyclic, no uses
    b.I32(-2147483647 - 1).I32(0).I32(-1); // entries: only main
    b.Raw(ExcelCode());
    b.U8(255); // no variable fix-ups
    b.Str("ReadCellEx").I32(74).U8(255);
    return b.Bytes();
}

inline engine::QruModule ExcelSampleModule() {
    engine::QruModule m;
    m.header = {44727.625, false, false, 48, 97};
    for (const ExcelFunction& source : ExcelFunctions()) {
        engine::QruFunction& function = m.functions.emplace_back();
        function.name = source.name;
        function.kind = source.returnsInteger ? 11 : 12;
        function.resultType = source.returnsInteger ? 4 : 18;
        function.exported = true;
        function.external = true;
        function.dllName = "ExcelIO";
        function.entryName = source.entry;
        function.parameters = source.parameters;
    }
    m.period = 10;
    m.nonCyclic = true;
    m.initEntry = -2147483647 - 1;
    m.mainEntry = 0;
    m.exitEntry = -1;
    m.code = ExcelCode();
    m.functionFixups = {{"ReadCellEx", 74}};
    return m;
}

// Every table filled, repeated fix-up names, negative entries and an attachment section whose
// attached files have blanks in their names.
inline std::string FullSampleBytes(bool withAttachments = true) {
    LittleEndianBytes b;
    b.Raw("QRU02").F64(45000.5).U8(0).U8(withAttachments ? 1 : 0).I32(900).I32(24);
    b.I32(2);
    b.Str("TPOINT").I32(8).I32(2);
    b.Str("X").U8(4).Str("").I32(4).U8(18).I32(0).I32(0);
    b.Str("Y").U8(4).Str("").I32(4).U8(18).I32(0).I32(0);
    b.Str("TBUF").I32(16).I32(1);
    b.Str("TBUF").U8(10).Str("").I32(1).U8(7).I32(0).I32(15);
    b.I32(7);
    b.Str("0").I32(0).I32(4).U8(1).U8(0).I32(0).I32(0).I32(0).U8(0).Str("").Str("").Str("");
    b.Str("COUNTER")
        .I32(0)
        .I32(4)
        .U8(4)
        .U8(0)
        .I32(0)
        .I32(0)
        .I32(0)
        .U8(1)
        .Str("")
        .Str("86400000")
        .Str("");
    b.Str("TITLE").I32(4).I32(256).U8(9).U8(0).I32(0).I32(0).I32(0).U8(0).Str("").Str("Title1").Str(
        "");
    b.Str("TABLE").I32(260).I32(20).U8(10).U8(20).I32(2).I32(1).I32(10).U8(1).Str("").Str("").Str(
        "");
    b.Str("OBJBUTTON2")
        .I32(280)
        .I32(4)
        .U8(16)
        .U8(0)
        .I32(0)
        .I32(0)
        .I32(0)
        .U8(0)
        .Str("BUTTON2")
        .Str("")
        .Str("");
    b.Str("LOCALE").I32(284).I32(8).U8(22).U8(0).I32(0).I32(0).I32(0).U8(0).Str("").Str("").Str(
        "TSysLocale");
    b.Str("'.CSV'")
        .I32(292)
        .I32(256)
        .U8(2)
        .U8(0)
        .I32(0)
        .I32(0)
        .I32(0)
        .U8(0)
        .Str("")
        .Str(".CSV")
        .Str("");
    b.I32(3);
    b.Str("BUTTON1").I32(4).U8(1).I32(77).U8(12).U8(18).U8(1).U8(0).U8(0).Str("").Str("Button1");
    b.I32(0);
    b.Str("ADDONE").I32(8).U8(0).I32(0).U8(11).U8(4).U8(0).U8(0).U8(1).Str("  ").Str("AddOne");
    b.I32(2).U8(1).U8(4).Str("A").U8(0).U8(19).Str("B");
    b.Str("BEEP")
        .I32(0)
        .U8(0)
        .I32(0)
        .U8(12)
        .U8(18)
        .U8(0)
        .U8(1)
        .U8(1)
        .Str("user32.dll")
        .Str("MessageBeep");
    b.I32(1).U8(1).U8(4).Str("KIND");
    b.I32(2);
    b.Str("PORT").Str("READPORT").Str("WRITEPORT").U8(1);
    b.Str("MEM").Str("READMEM").Str("WRITEMEM").U8(1);
    b.U8(7).I32(250).U8(0).I32(3).Str("MVarglob").Str("Sysplc").Str("gestfile");
    b.I32(-5).I32(0).I32(-77);
    b.Raw(std::string(24, '\x90'));
    // COUNTER twice in a row (the second as the 0 byte), another name, COUNTER again in full.
    b.Str("COUNTER").I32(1).I32(0).U8(0).I32(6).I32(2);
    b.Str("TOTAL MVARGLOB").I32(11).I32(-4).Str("COUNTER").I32(16).I32(0).U8(255);
    b.Str("INTTOSTR").I32(2).U8(0).I32(12).Str("INTTOSTR SYSTEM").I32(20).U8(255);
    if (withAttachments) {
        b.Str("BITMAP").I32(6).Raw("BM\x01\x02\x03\x04");
        b.Str("DATA").I32(3).Raw("abc");
        b.Str("DESCR").I32(23).Raw("Title : Demo\r\nEnd : 1\r\n");
        b.Str("BITMAP CloseXLS.BMP").I32(2).Raw("BM");
        b.Str("DOC My Notes 2.txt").I32(5).Raw("hello");
        b.Str("DATA").I32(0);
    }
    return b.Bytes();
}

inline engine::QruModule FullSampleModule(bool withAttachments = true) {
    engine::QruModule m;
    m.header = {45000.5, false, withAttachments, 900, 24};
    m.types = {{"TPOINT", 8, {{"X", 4, "", 4, 18, 0, 0}, {"Y", 4, "", 4, 18, 0, 0}}},
               {"TBUF", 16, {{"TBUF", 10, "", 1, 7, 0, 15}}}};
    m.variables = {
        {"0", 0, 4, 1, 0, 0, 0, 0, false, "", "", ""},
        {"COUNTER", 0, 4, 4, 0, 0, 0, 0, true, "", "86400000", ""},
        {"TITLE", 4, 256, 9, 0, 0, 0, 0, false, "", "Title1", ""},
        {"TABLE", 260, 20, 10, 20, 2, 1, 10, true, "", "", ""},
        {"OBJBUTTON2", 280, 4, 16, 0, 0, 0, 0, false, "BUTTON2", "", ""},
        {"LOCALE", 284, 8, 22, 0, 0, 0, 0, false, "", "", "TSysLocale"},
        {"'.CSV'", 292, 256, 2, 0, 0, 0, 0, false, "", ".CSV", ""},
    };
    m.functions = {
        {"BUTTON1", 4, 1, 77, 12, 18, true, 0, false, "", "Button1", {}},
        {"ADDONE", 8, 0, 0, 11, 4, false, 0, true, "  ", "AddOne", {{1, 4, "A"}, {0, 19, "B"}}},
        {"BEEP", 0, 0, 0, 12, 18, false, 1, true, "user32.dll", "MessageBeep", {{1, 4, "KIND"}}},
    };
    m.accessors = {{"PORT", "READPORT", "WRITEPORT", 1}, {"MEM", "READMEM", "WRITEMEM", 1}};
    m.spareFlag = 7;
    m.period = 250;
    m.nonCyclic = false;
    m.uses = {"MVarglob", "Sysplc", "gestfile"};
    m.initEntry = -5;
    m.mainEntry = 0;
    m.exitEntry = -77;
    m.code = std::string(24, '\x90');
    m.variableFixups = {
        {"COUNTER", 1, 0}, {"COUNTER", 6, 2}, {"TOTAL MVARGLOB", 11, -4}, {"COUNTER", 16, 0}};
    m.functionFixups = {{"INTTOSTR", 2}, {"INTTOSTR", 12}, {"INTTOSTR SYSTEM", 20}};
    if (withAttachments) {
        engine::QruAttachments a;
        a.bitmap = std::string("BM\x01\x02\x03\x04", 6);
        a.data = "abc";
        a.descr = "Title : Demo\r\nEnd : 1\r\n";
        a.files = {
            {"BITMAP", "CloseXLS.BMP", "BM"}, {"DOC", "My Notes 2.txt", "hello"}, {"DATA", "", ""}};
        m.attachments = a;
    }
    return m;
}

} // namespace qrutest
