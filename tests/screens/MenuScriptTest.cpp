// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "PictureTestSupport.h"
#include "TestSupport.h"
#include "platform/Log.h"
#include "screens/MenuItems.h"
#include "screens/MenuScript.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

namespace screens {

// Failure messages show a menu as indented text.
void PrintTo(const MenuEntry& entry, std::ostream* out)
{
    *out << "{" << static_cast<int>(entry.kind) << " \"" << entry.caption << "\" " << entry.number;
    for (const MenuEntry& child : entry.children) {
        *out << " ";
        PrintTo(child, out);
    }
    *out << "}";
}

void PrintTo(const MenuModel& model, std::ostream* out)
{
    for (const MenuEntry& entry : model.bar)
        PrintTo(entry, out);
}

} // namespace screens

using screens::MenuEntry;
using screens::MenuModel;
using Lines = std::vector<std::string>;

namespace {

MenuEntry Item(std::string caption, std::int16_t number)
{
    return {MenuEntry::Kind::Item, std::move(caption), number, {}};
}

MenuEntry Separator()
{
    return {MenuEntry::Kind::Separator, "-", screens::kSeparatorCommand, {}};
}

MenuEntry Popup(std::string caption, std::vector<MenuEntry> children)
{
    return {MenuEntry::Kind::Popup, std::move(caption), screens::kPopupCommand,
            std::move(children)};
}

// A script as the editor writes one: name line, BEGIN, the body, the closing END.
Lines Script(std::initializer_list<std::string> body)
{
    Lines lines{"MAIN MENU", "BEGIN"};
    lines.insert(lines.end(), body);
    lines.emplace_back("END");
    return lines;
}

// Writes a menu template: the 4-byte header, then items with UTF-16 captions.
class TemplateWriter {
public:
    TemplateWriter& Popup(std::uint16_t option, std::u16string_view caption)
    {
        Word(option | 0x10);
        Text(caption);
        return *this;
    }
    TemplateWriter& Item(std::uint16_t option, std::uint16_t number, std::u16string_view caption)
    {
        Word(option);
        Word(number);
        Text(caption);
        return *this;
    }
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    void Word(std::uint16_t word)
    {
        m_bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
        m_bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    void Text(std::u16string_view text)
    {
        for (char16_t c : text)
            Word(c);
        Word(0);
    }

    std::vector<std::uint8_t> m_bytes{0, 0, 0, 0};
};

constexpr std::uint16_t kLast = 0x80;

// Counts the warnings logged while it lives, and keeps all log lines out of the output.
class WarningCounter {
public:
    WarningCounter()
    {
        m_previous = platform::log::SetSink([this](platform::LogLevel level, std::string_view) {
            if (level == platform::LogLevel::Warning)
                ++m_count;
        });
    }
    ~WarningCounter() { platform::log::SetSink(std::move(m_previous)); }
    int Count() const { return m_count; }

private:
    platform::log::Sink m_previous;
    int m_count = 0;
};

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override { screens::Globals().Reset(); }
    void TearDown() override { screens::Globals().Reset(); }
};

} // namespace

TEST(MenuScript, ItemCaptionIsTranslatedThenItsBackslashStartsTheShortcutColumn)
{
    std::vector<std::string> asked;
    const auto translate = [&asked](std::string_view text) {
        asked.emplace_back(text);
        return text == "Open\\Ctrl+O" ? std::string("Ouvrir\\Ctrl+O") : std::string(text);
    };
    const MenuModel model = screens::ParseMenuScript(
        Script({"POPUP \"File\"", "BEGIN", "  MENUITEM \"Open\\Ctrl+O\",  100", "END"}),
        translate);
    EXPECT_EQ(model, (MenuModel{{Popup("File", {Item("Ouvrir\tCtrl+O", 100)})}}));
    EXPECT_EQ(asked, (std::vector<std::string>{"File", "Open\\Ctrl+O"}));

    std::unique_ptr<QMenuBar> bar(screens::BuildMenuBar(model));
    ASSERT_EQ(bar->actions().size(), 1);
    QMenu* file = bar->actions()[0]->menu();
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(bar->actions()[0]->data().toInt(), screens::kPopupCommand);
    ASSERT_EQ(file->actions().size(), 1);
    // Qt shows the text after the tab in the shortcut column.
    EXPECT_EQ(file->actions()[0]->text(), QString("Ouvrir\tCtrl+O"));
    EXPECT_EQ(file->actions()[0]->data().toInt(), 100);
}

TEST(MenuScript, LinesZeroAndOneAreNeverReadAndSeparatorIsFoundAnywhere)
{
    // A three-line script: only its third line counts (an item outside any POPUP joins the bar).
    EXPECT_EQ(screens::ParseMenuScript({"POPUP \"A\"", "MENUITEM \"B\", 5", "MENUITEM \"C\", 6"}),
              (MenuModel{{Item("C", 6)}}));
    EXPECT_EQ(screens::ParseMenuScript({"MENUITEM \"B\", 5", "END"}), MenuModel{});

    const MenuModel model = screens::ParseMenuScript(Script({
        "POPUP \"Edit\"",
        "BEGIN",
        "  // a comment",
        "",
        "\tMENUITEM      SEPARATOR",
        "  MENUITEM \"Cut\", 7 // not a SEPARATOR?",
        "  MENUITEM SEPARATOR ",
        "  MENUITEM  \"Paste\" ,  -8  ",
        "  MENUITEM \"Big\", 65535",
        "  Menuitem \"lower case is no keyword\", 9",
        "END",
    }));
    EXPECT_EQ(model, (MenuModel{{Popup("Edit", {Separator(), Separator(), Separator(),
                                                Item("Paste", -8), Item("Big", -1)})}}));
}

TEST(MenuScript, InnerPopupJoinsTheOuterAndTheOuterJoinsTheBarAtItsEnd)
{
    const MenuModel model = screens::ParseMenuScript(Script({
        "POPUP \"File\"",
        "BEGIN",
        "  MENUITEM \"Open\", 100",
        "  POPUP \"Recent\"",
        "  BEGIN",
        "    MENUITEM \"One\", 101",
        "    POPUP \"Older\"",
        "    BEGIN",
        "      MENUITEM \"Two\", 102",
        "    END",
        "  END",
        "  MENUITEM SEPARATOR",
        "  MENUITEM \"Quit\", 103",
        "END",
        "POPUP \"Help\"",
        "BEGIN",
        "  MENUITEM \"About\", 200",
        "END",
    }));
    const MenuModel expected{{
        Popup("File", {Item("Open", 100),
                       Popup("Recent", {Item("One", 101), Popup("Older", {Item("Two", 102)})}),
                       Separator(), Item("Quit", 103)}),
        Popup("Help", {Item("About", 200)}),
    }};
    EXPECT_EQ(model, expected);

    std::unique_ptr<QMenuBar> bar(screens::BuildMenuBar(model));
    ASSERT_EQ(bar->actions().size(), 2);
    QMenu* file = bar->actions()[0]->menu();
    ASSERT_EQ(file->actions().size(), 4);
    EXPECT_TRUE(file->actions()[2]->isSeparator());
    EXPECT_EQ(file->actions()[2]->data().toInt(), screens::kSeparatorCommand);
    QMenu* recent = file->actions()[1]->menu();
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(recent->title(), QString("Recent"));
    ASSERT_NE(recent->actions()[1]->menu(), nullptr);
    EXPECT_EQ(recent->actions()[1]->menu()->actions()[0]->data().toInt(), 102);
}

TEST(MenuScript, DamagedLinesAreLoggedAndSkippedWithoutLosingTheRest)
{
    WarningCounter warnings;
    const MenuModel model = screens::ParseMenuScript(Script({
        "MENUITEM \"Loose\", 50",   // outside any POPUP: on the bar
        "MENUITEM SEPARATOR",       // outside any POPUP: dropped
        "END",                      // nothing open: ignored
        "POPUP \"File\"",
        "BEGIN",
        "  MENUITEM \"Word\", abc",   // not a number
        "  MENUITEM \"Trail\", 12x",  // not a number either
        "  MENUITEM \"Huge\", 70000", // not a 16-bit number
        "  MENUITEM \"Empty\",",      // no number
        "  MENUITEM \"Open, 3",       // no closing quote
        "  MENUITEM Plain, 4",        // no quote at all
        "  MENUITEM \"Kept\", 60, CHECKED",
        "  POPUP Unquoted",
        "  BEGIN",
        "    MENUITEM \"Inner\", 61",
        // both ENDs missing: the script's own END closes "Unquoted", and "File" stays open
    }));
    const MenuModel expected{{
        Item("Loose", 50),
        Popup("File", {Item("Kept", 60), Popup("Unquoted", {Item("Inner", 61)})}),
    }};
    EXPECT_EQ(model, expected);
    EXPECT_GE(warnings.Count(), 10);
}

TEST(MenuScript, DeepNestingIsCappedWithoutLosingItems)
{
    const WarningCounter quiet;
    // A thousand nested POPUPs: the depth is capped and the innermost item is kept.
    Lines deep{"M MENU", "BEGIN"};
    for (int i = 0; i < 1000; ++i)
        deep.push_back("POPUP \"P\"");
    deep.push_back("MENUITEM \"Bottom\", 77");
    for (int i = 0; i < 1000; ++i)
        deep.push_back("END");
    deep.push_back("POPUP \"After\"");
    deep.push_back("END");
    const MenuModel model = screens::ParseMenuScript(deep);
    ASSERT_EQ(model.bar.size(), 2u);
    EXPECT_EQ(model.bar[1], Popup("After", {}));
    std::size_t depth = 1;
    const MenuEntry* entry = &model.bar[0];
    while (!entry->children.empty() && entry->children[0].kind == MenuEntry::Kind::Popup) {
        entry = &entry->children[0];
        ++depth;
    }
    EXPECT_EQ(depth, screens::kMaxMenuDepth);
    EXPECT_EQ(entry->children, (std::vector<MenuEntry>{Item("Bottom", 77)}));
}

TEST(MenuResource, ATopLevelCommandItemEndsTheConversion)
{
    TemplateWriter first;
    first.Item(0, 100, u"Open").Popup(kLast, u"File").Item(kLast, 101, u"x");
    EXPECT_EQ(screens::MenuResourceToScript(first.Bytes()), (Lines{"BIDON", "BIDON", "END"}));

    const std::vector<std::uint8_t> headerOnly{1, 0, 0, 0};
    EXPECT_EQ(screens::MenuResourceToScript(headerOnly), (Lines{"BIDON", "BIDON", "END"}));
    EXPECT_EQ(screens::MenuResourceToScript(std::vector<std::uint8_t>{0, 0}), std::nullopt);
}

TEST(MenuResource, NestedTemplateConvertsToTheScriptOfTheSameMenu)
{
    TemplateWriter writer;
    writer.Popup(0, u"&File")
        .Item(0, 100, u"Open\\Ctrl+O")
        .Item(0, 0, u"")
        .Popup(kLast, u"Recent")
        .Item(kLast, 101, u"One")
        .Popup(kLast, u"Help") // last at the top, and its first entry is a sub-menu
        .Popup(0, u"More")
        .Item(kLast, 102, u"Caf\u00E9 \u0141 \"q\"")
        .Item(kLast | 0x08, 65535, u"About");
    const std::optional<Lines> lines = screens::MenuResourceToScript(writer.Bytes());
    const Lines expected{
        "BIDON",
        "BIDON",
        "  POPUP \"&File\"",
        "  BEGIN",
        "    MENUITEM \"Open\\Ctrl+O\",  100",
        "    MENUITEM SEPARATOR",
        "    POPUP \"Recent\"",
        "    BEGIN",
        "      MENUITEM \"One\",  101",
        "    END",
        "  END",
        "  POPUP \"Help\"",
        "  BEGIN",
        "    POPUP \"More\"",
        "    BEGIN",
        "      MENUITEM \"Caf\xE9 A 'q'\",  102",
        "    END",
        "    MENUITEM \"About\",  65535",
        "  END",
        "END",
    };
    EXPECT_EQ(lines, expected);
    ASSERT_TRUE(lines.has_value());

    const MenuModel model{{
        Popup("&File", {Item("Open\tCtrl+O", 100), Separator(), Popup("Recent", {Item("One", 101)})}),
        Popup("Help", {Popup("More", {Item("Caf\xE9 A 'q'", 102)}), Item("About", -1)}),
    }};
    EXPECT_EQ(screens::ParseMenuScript(*lines), model);
}

TEST(MenuResource, TruncatedTemplatesNeverReadPastTheEndAndStayBalanced)
{
    const WarningCounter quiet;
    TemplateWriter writer;
    writer.Popup(0, u"File")
        .Item(0, 100, u"Open")
        .Popup(kLast, u"Sub")
        .Item(kLast, 101, u"Deep")
        .Popup(kLast, u"Help")
        .Item(kLast, 102, u"About");
    const std::vector<std::uint8_t>& full = writer.Bytes();
    for (std::size_t size = 0; size <= full.size(); ++size) {
        // An exact-size heap copy, so that a read past the end is a sanitizer finding.
        const std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size]);
        std::copy(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size), copy.get());
        const auto lines = screens::MenuResourceToScript({copy.get(), size});
        if (size < 4) {
            EXPECT_EQ(lines, std::nullopt);
            continue;
        }
        ASSERT_TRUE(lines.has_value());
        int begins = 0;
        int ends = 0;
        for (const std::string& line : *lines) {
            begins += line.ends_with("BEGIN");
            ends += line.ends_with("END");
        }
        EXPECT_EQ(ends, begins + 1) << "template cut to " << size << " bytes";
    }
    // A template that never terminates its caption, and one that claims endless nesting.
    std::vector<std::uint8_t> unterminated{0, 0, 0, 0, 0x10, 0, 'A', 0, 'B'};
    EXPECT_TRUE(screens::MenuResourceToScript(unterminated).has_value());
    TemplateWriter deep;
    for (int i = 0; i < 500; ++i)
        deep.Popup(0, u"P");
    const auto deepLines = screens::MenuResourceToScript(deep.Bytes());
    ASSERT_TRUE(deepLines.has_value());
    EXPECT_LE(deepLines->size(), 2 + 4 * screens::kMaxMenuDepth + 1);
}

TEST_F(MenuTest, ChoosingAnItemPublishesItOnTheFourthCycleForOneCycle)
{
    screens::ScreenForm window;
    screens::LoadMenuScript(window, Script({"POPUP \"File\"", "BEGIN",
                                            "MENUITEM \"Ouvrir \xE9\\F3\", 300", "END"}));
    QAction* item = screens::FindMenuItem(window, 300);
    ASSERT_NE(item, nullptr);
    item->trigger();

    screens::MenuSelection& menu = screens::Globals().menu;
    for (int cycle = 1; cycle <= 3; ++cycle) {
        menu.CycleStep();
        EXPECT_EQ(menu.PublishedNumber(), 0) << "cycle " << cycle;
        EXPECT_EQ(menu.PublishedCaption(), "");
    }
    menu.CycleStep();
    EXPECT_EQ(menu.PublishedNumber(), 300);
    EXPECT_EQ(menu.PublishedCaption(), "Ouvrir \xE9\tF3"); // code-page bytes
    menu.CycleStep();
    EXPECT_EQ(menu.PublishedNumber(), 0);
    EXPECT_EQ(menu.PublishedCaption(), "");
}

TEST_F(MenuTest, ScriptFileReplacesTheMenuAndAMissingOneLeavesNone)
{
    testsupport::TempDir dir;
    testsupport::ScopedCurrentDir inDir(dir.Path());
    testsupport::WriteFile(dir / "SCREEN1.Rc", "SCREEN1 MENU\r\nBEGIN\r\n POPUP \"File\"\r\n"
                                               " BEGIN\r\n  MENUITEM \"Quit\",  9\r\n END\r\nEND\r\n");
    screens::ScreenForm window;
    ASSERT_TRUE(screens::LoadMenuScript(window, "SCREEN1.Rc"));
    ASSERT_NE(window.ScreenMenuBar(), nullptr);
    EXPECT_EQ(window.ScreenMenuBar()->actions()[0]->text(), QString("File"));
    QAction* quit = screens::FindMenuItem(window, 9);
    ASSERT_NE(quit, nullptr);
    EXPECT_EQ(quit->text(), QString("Quit")); // the CR is not part of the line

    EXPECT_FALSE(screens::LoadMenuScript(window, "OTHER.Rc"));
    EXPECT_EQ(window.ScreenMenuBar(), nullptr);
    EXPECT_EQ(screens::FindMenuItem(window, 9), nullptr);
}

TEST_F(MenuTest, ItemsAreFoundByNumberAndChangedInPlace)
{
    screens::ScreenForm window;
    EXPECT_EQ(screens::FindMenuItem(window, 100), nullptr);
    EXPECT_FALSE(screens::ToggleMenuItemCheck(window, 100));
    EXPECT_FALSE(screens::SetBarEntryCaption(window, 0, "x"));

    screens::LoadMenuScript(window, Script({
        "POPUP \"File\"", "BEGIN", "MENUITEM \"Open\", 100", "POPUP \"Sub\"", "BEGIN",
        "MENUITEM \"Deep\", 101", "MENUITEM \"Neg\", -1", "END", "END",
        "POPUP \"Edit\"", "BEGIN", "MENUITEM \"Cut\", 200", "END",
    }));
    QAction* deep = screens::FindMenuItem(window, 101);
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->text(), QString("Deep"));
    EXPECT_EQ(screens::FindMenuItem(window, 1)->text(), QString("File"));
    EXPECT_EQ(screens::FindMenuItem(window, 65535)->text(), QString("Neg"));
    EXPECT_EQ(screens::FindMenuItem(window, 999), nullptr);

    EXPECT_FALSE(screens::IsMenuItemChecked(window, 101));
    EXPECT_TRUE(screens::ToggleMenuItemCheck(window, 101));
    EXPECT_TRUE(screens::IsMenuItemChecked(window, 101));
    EXPECT_TRUE(screens::ToggleMenuItemCheck(window, 101));
    EXPECT_FALSE(screens::IsMenuItemChecked(window, 101));

    EXPECT_TRUE(screens::SetMenuItemEnabled(window, 200, false));
    EXPECT_FALSE(screens::FindMenuItem(window, 200)->isEnabled());

    EXPECT_TRUE(screens::SetMenuItemCaption(window, 100, "Ouvrir \xE9\tF2"));
    EXPECT_EQ(screens::FindMenuItem(window, 100)->text(), QString::fromUtf8("Ouvrir \u00E9\tF2"));

    EXPECT_TRUE(screens::SetBarEntryCaption(window, 1, "Edition"));
    EXPECT_FALSE(screens::SetBarEntryCaption(window, 2, "x"));
    EXPECT_FALSE(screens::SetBarEntryCaption(window, -1, "x"));
    EXPECT_EQ(window.ScreenMenuBar()->actions()[1]->text(), QString("Edition"));

    EXPECT_TRUE(screens::SetParentMenuCaption(window, 101, "Plus"));
    EXPECT_EQ(window.ScreenMenuBar()->actions()[0]->menu()->actions()[1]->text(), QString("Plus"));
    EXPECT_FALSE(screens::SetParentMenuCaption(window, 1, "top-level has no parent"));
}

TEST_F(MenuTest, ItemPictureComesFromABitmapFileAndAMissingOneChangesNothing)
{
    testsupport::TempDir dir;
    testsupport::ScopedCurrentDir inDir(dir.Path());
    testsupport::WriteFile(dir / "Tick.Bmp",
                           picturetest::BmpBytes(picturetest::Filled(8, 8, Qt::red), 24));
    screens::ScreenForm window;
    screens::LoadMenuScript(window, Script({"POPUP \"File\"", "BEGIN", "MENUITEM \"A\", 5", "END"}));

    EXPECT_FALSE(screens::SetMenuItemPicture(window, 5, "Absent.bmp"));
    EXPECT_TRUE(screens::FindMenuItem(window, 5)->icon().isNull());
    EXPECT_TRUE(screens::SetMenuItemPicture(window, 5, "Tick.bmp"));
    EXPECT_FALSE(screens::FindMenuItem(window, 5)->icon().isNull());
    EXPECT_FALSE(screens::SetMenuItemPicture(window, 6, "Tick.bmp"));
}
