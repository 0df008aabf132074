// Quorva run-time. Licensed under the MIT licence.

#include "runtime/TableListing.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace runtime {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(TableListing, FunctionListingHasOneTabSeparatedLinePerRow) {
    const std::string text = FunctionListing();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 23u + 497u);
    EXPECT_EQ(lines[0], "MOD\t12\t4");
    EXPECT_EQ(lines[6], "DIVZERO\t12\t5");
    EXPECT_EQ(lines[17], "PSTRCPY\t11\t9");
    EXPECT_EQ(lines[23], "INTTOSTR\t11\t9\t1\t1:4:Value");
    EXPECT_EQ(lines.back(), "GETFORMHANDLE\t11\t4\t1\t1:9:Form Name");
    EXPECT_TRUE(Contains(lines, "MOVE\t12\t18\t3\t0:19:Source\t0:19:Destination\t1:4:Count"));
    EXPECT_TRUE(Contains(lines, "@\t11\t4\t1\t0:19:Variable"));
    EXPECT_TRUE(Contains(lines, "XALPHASORT\t12\t18\t0"));
    EXPECT_TRUE(Contains(lines, "GETCHRONO\t11\t24\t0"));
    EXPECT_TRUE(Contains(lines, "PUSHBUTTON\t12\t18\t2\t0:17:State\t1:20:Key"));
    EXPECT_TRUE(Contains(lines, "SETPROPID\t12\t18\t2\t1:4:ID\t1:26:Parameters"));
    EXPECT_TRUE(Contains(lines, "XSENDEMAIL\t11\t9\t5\t1:9:Mail From\t1:9:Mail Dest.\t1:9:Subject"
                                "\t1:9:Body (text)\t1:9:SMTP"));
}

TEST(TableListing, VariableListingGivesNameAndTypeCode) {
    const std::vector<std::string> lines = Lines(VariableListing());
    ASSERT_EQ(lines.size(), 96u);
    EXPECT_EQ(lines.front(), "NTVENDORID\t4");
    EXPECT_EQ(lines.back(), "CALLBACKALARMEX\t4");
    EXPECT_TRUE(Contains(lines, "QRUSOURCE\t9"));
    EXPECT_TRUE(Contains(lines, "RNONE\t5"));
    EXPECT_TRUE(Contains(lines, "CYEAR\t20"));
    EXPECT_TRUE(Contains(lines, "BT_500\t7"));
    EXPECT_TRUE(Contains(lines, "END_PROG\t3"));
}

} // namespace
} // namespace runtime
