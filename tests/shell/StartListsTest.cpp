// Quorva run-time. Licensed under the MIT licence.
#include "shell/StartLists.h"

#include <gtest/gtest.h>

using shell::SplitLines;
using shell::StartScreenLines;
using shell::StartUnitLines;
using Lines = std::vector<std::string>;

TEST(StartLists, LinesEndInCrLfOrLfAndAFinalLineEndAddsNoLine) {
    EXPECT_EQ(SplitLines("A\r\nB\nC"), (Lines{"A", "B", "C"}));
    EXPECT_EQ(SplitLines("A\r\n"), (Lines{"A"}));
    EXPECT_EQ(SplitLines("\r\n\r\n"), (Lines{"", ""}));
    EXPECT_TRUE(SplitLines("").empty());
    // A lone CR inside a line is part of it.
    EXPECT_EQ(SplitLines("A\rB\n"), (Lines{"A\rB"}));
}

TEST(StartLists, ScreenListSkipsBlankLinesAndKeepsTrailingBlanks) {
    EXPECT_EQ(StartScreenLines("Main\r\n\r\n \t \r\nSecond  \r\n"), (Lines{"Main", "Second  "}));
    EXPECT_EQ(StartScreenLines("  Lead\n"), (Lines{"  Lead"}));
}

TEST(StartLists, UnitListKeepsLinesAsTheyStandButSkipsEmptyOnes) {
    EXPECT_TRUE(StartUnitLines("").empty());
    EXPECT_EQ(StartUnitLines("MVARGLOB\r\nPump \r\n\r\nValve"),
              (Lines{"MVARGLOB", "Pump ", "Valve"}));
}
