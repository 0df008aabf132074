// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ListBoxCommands.h"
#include "FigureRecords.h"

#include "screens/AttributsFig.h"
#include "screens/FBase.h"
#include "screens/FigureKind.h"
#include "screens/ListClasses.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/TVComboBox.h"
#include "screens/TVEdit.h"
#include "screens/TVListBox.h"

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace cmd = runtime::screencmd;
using runtime::ShortString;
using screens::FigureKind;

namespace {

using testsupport::Record;

class ListBoxCommands : public ::testing::Test {
protected:
    void SetUp() override {
        screens::Globals().Reset();
        m_form.SetScreenName("PANEL");
        screens::SetCurrentWindow(&m_form);
    }
    void TearDown() override { screens::Globals().Reset(); }

    template <typename T, typename... Args> T* Make(FigureKind kind, Args... args) {
        auto* figure = new T(args..., &m_form.Client());
        figure->SetLoading(true);
        figure->SetKind(static_cast<std::uint8_t>(kind));
        figure->Load(Record(kind, 10, 10, 150, 120));
        figure->SetLoading(false);
        figure->show();
        screens::SetCurrentFigure(figure);
        return figure;
    }
    static void Latch(const screens::InputEvents& events) {
        screens::Globals().input.Pending() = events;
        screens::Globals().input.Latch();
    }

    screens::ScreenForm m_form;
};

} // namespace

TEST_F(ListBoxCommands, ListBoxItemsAreAddedInsertedDeletedAndSelected) {
    auto* list = Make<screens::TVListBox>(FigureKind::ListBox);
    EXPECT_EQ(cmd::AddString(ShortString("Pump")), 0);
    EXPECT_EQ(cmd::AddString(ShortString("Valve")), 1);
    EXPECT_EQ(cmd::InsertString(ShortString("Motor"), 1), 1);
    EXPECT_EQ(cmd::InsertString(ShortString("Tank"), -1), 3);
    EXPECT_EQ(cmd::InsertString(ShortString("Bad"), 9), -1);
    EXPECT_EQ(cmd::InsertString(ShortString("Bad"), -2), -1);
    EXPECT_EQ(cmd::GetCount(), 4);
    EXPECT_EQ(cmd::GetString(1).Str(), "Motor");
    EXPECT_EQ(cmd::GetString(4).Str(), "");
    EXPECT_EQ(cmd::GetString(-1).Str(), "");

    EXPECT_EQ(cmd::GetSelIndex(), -1);
    EXPECT_EQ(cmd::GetSelString().Str(), "");
    EXPECT_EQ(cmd::SetSelIndex(2), 2);
    EXPECT_EQ(cmd::GetSelIndex(), 2);
    EXPECT_EQ(cmd::GetSelString().Str(), "Valve");
    EXPECT_TRUE(cmd::GetSelected(2));
    EXPECT_FALSE(cmd::GetSelected(1));
    EXPECT_FALSE(cmd::GetSelected(99));
    EXPECT_EQ(cmd::GetSelCount(), 1);
    EXPECT_EQ(cmd::SetSelIndex(7), -1); // out of range: the selection stays
    EXPECT_EQ(cmd::GetSelIndex(), 2);

    // A prefix search from after the position, round to the start, ignoring case.
    EXPECT_EQ(cmd::SetSelString(ShortString("m"), -1), 1);
    EXPECT_EQ(cmd::SetSelString(ShortString("P"), 1), 0);
    EXPECT_EQ(cmd::SetSelString(ShortString("none"), -1), -1);
    EXPECT_EQ(cmd::GetSelIndex(), 0);
    EXPECT_TRUE(cmd::StrListExist(ShortString("TANK")));
    EXPECT_FALSE(cmd::StrListExist(ShortString("Tan")));

    EXPECT_EQ(cmd::DeleteString(0), 3);
    EXPECT_EQ(cmd::DeleteString(3), -1);
    EXPECT_EQ(cmd::GetString(0).Str(), "Motor");
    EXPECT_EQ(cmd::GetText().Str(), cmd::GetSelString().Str()); // a list's text: its selection
    cmd::SetText(ShortString("tank"));
    EXPECT_EQ(cmd::GetSelString().Str(), "Tank");
    cmd::ClearList();
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(cmd::SetSelIndex(-1), -1);
}

TEST_F(ListBoxCommands, ComboBoxKeepsItsLineWhenItsListIsCleared) {
    auto* combo = Make<screens::TVComboBox>(FigureKind::ComboBox);
    ASSERT_TRUE(combo->isEditable());
    cmd::AddString(ShortString("Auto"));
    cmd::AddString(ShortString("Manual"));
    EXPECT_EQ(cmd::SetSelIndex(1), 1);
    EXPECT_EQ(cmd::GetSelString().Str(), "Manual");
    EXPECT_EQ(cmd::GetSelCount(), 1);
    EXPECT_TRUE(cmd::GetSelected(1));

    cmd::SetText(ShortString("Hand \xB0"));
    EXPECT_EQ(cmd::GetText().Str(), "Hand \xB0");
    EXPECT_EQ(cmd::GetTextLen(), 6);
    EXPECT_TRUE(cmd::ComboSetEditSel(1, 3));
    EXPECT_EQ(combo->lineEdit()->selectedText(), "an");
    EXPECT_TRUE(cmd::ComboSetEditSel(2, -1));
    EXPECT_EQ(combo->lineEdit()->selectedText(), "nd \u00B0");
    cmd::ClearList();
    EXPECT_EQ(cmd::GetCount(), 0);
    EXPECT_EQ(cmd::GetText().Str(), "Hand \xB0");
    cmd::Clear();
    EXPECT_EQ(cmd::GetText().Str(), "");
    cmd::ComboShowList();
    cmd::ComboHideList();
}

TEST_F(ListBoxCommands, TextCommandsServeEditsAndDrawnFiguresAndSetTextExWritesOnlyChanges) {
    auto* edit = Make<screens::TVEdit>(FigureKind::Edit, std::uint8_t{0});
    int changes = 0;
    QObject::connect(edit, &QLineEdit::textChanged, [&changes] { ++changes; });
    cmd::SetText(ShortString("12.5"));
    EXPECT_EQ(cmd::GetText().Str(), "12.5");
    EXPECT_EQ(cmd::GetTextLen(), 4);
    cmd::SetTextEx(ShortString("12.5"));
    cmd::SetTextEx(ShortString("12.5"));
    EXPECT_EQ(changes, 1);
    cmd::SetTextEx(ShortString("13"));
    EXPECT_EQ(changes, 2);
    cmd::Clear();
    EXPECT_EQ(edit->text(), "");

    auto* text = new screens::FBase(&m_form.Client());
    text->SetKind(static_cast<std::uint8_t>(FigureKind::Text));
    screens::SetCurrentFigure(text);
    cmd::SetText(ShortString("Alarm"));
    EXPECT_EQ(text->Properties().text, "Alarm");
    EXPECT_EQ(cmd::GetText().Str(), "Alarm");
    // The list commands do not serve it.
    EXPECT_EQ(cmd::AddString(ShortString("x")), 0);
    EXPECT_EQ(cmd::GetCount(), 0);

    // CLEARLIST empties the rows of an attached list view.
    auto* holder = new screens::FBase(&m_form.Client());
    holder->SetKind(static_cast<std::uint8_t>(FigureKind::Window));
    auto view = std::make_unique<screens::ListView>();
    screens::ListView& rows = *view;
    holder->AttachScreenObject(std::move(view));
    ASSERT_TRUE(rows.SetCell(0, 2, "row 3"));
    screens::SetCurrentFigure(holder);
    cmd::ClearList();
    EXPECT_EQ(rows.RowCount(), 0);
}

TEST_F(ListBoxCommands, WithoutAListEveryCommandAnswersNothing) {
    Make<screens::TVEdit>(FigureKind::Edit, std::uint8_t{0});
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(cmd::AddString(ShortString("x")), 0);
        EXPECT_EQ(cmd::DeleteString(0), 0);
        EXPECT_EQ(cmd::InsertString(ShortString("x"), 0), 0);
        EXPECT_EQ(cmd::SetSelString(ShortString("x"), -1), 0);
        EXPECT_EQ(cmd::SetSelIndex(0), 0);
        EXPECT_EQ(cmd::GetSelIndex(), 0);
        EXPECT_EQ(cmd::GetSelCount(), 0);
        EXPECT_FALSE(cmd::GetSelected(0));
        EXPECT_EQ(cmd::GetString(0).Str(), "");
        EXPECT_FALSE(cmd::StrListExist(ShortString("")));
        EXPECT_FALSE(cmd::ComboSetEditSel(0, 1));
        cmd::ClearList();
        cmd::LDir(ShortString("*.*"));
        screens::SetCurrentFigure(nullptr); // then no figure at all
    }
    EXPECT_EQ(cmd::GetText().Str(), "");
    EXPECT_EQ(cmd::GetTextLen(), 0);
    EXPECT_FALSE(cmd::EditCr());
    cmd::SetText(ShortString("x"));
    cmd::SetTextEx(ShortString("x"));
    cmd::Clear();
}

TEST_F(ListBoxCommands, LDirListsMatchingFilesAndLDirExReplacesTheItems) {
    QTemporaryDir dir(QDir::tempPath() + "/ldirXXXXXX");
    for (const char* name : {"b.txt", "A.TXT", "c.log"})
        std::ofstream((dir.path() + "/" + name).toStdString()) << "x";
    auto* list = Make<screens::TVListBox>(FigureKind::ListBox);
    cmd::AddString(ShortString("first"));
    cmd::LDir(ShortString((dir.path() + "/*.txt").toStdString()));
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(cmd::GetString(1).Str(), "A.TXT");
    EXPECT_EQ(cmd::GetString(2).Str(), "b.txt");
    cmd::LDirEx(ShortString((dir.path() + "/*.log").toStdString()));
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(cmd::GetString(0).Str(), "c.log");
    cmd::LDirEx(ShortString((dir.path() + "/nothing/*.*").toStdString()));
    EXPECT_EQ(list->count(), 0);

    // SCRNBMP writes the window's image into the project directory.
    screens::Globals().projectDirectory = dir.path().toStdString();
    m_form.resize(200, 150);
    EXPECT_EQ(cmd::ScrnBmp(3).Str(), "PANEL3.Bmp");
    EXPECT_EQ(QImage(dir.path() + "/PANEL3.Bmp").size(), m_form.size());
    EXPECT_EQ(cmd::ScrnBmp(-1).Str(), "");
    screens::SetCurrentWindow(nullptr);
    EXPECT_EQ(cmd::ScrnBmp(1).Str(), "");
}

TEST_F(ListBoxCommands, EditCrAndEditEscSeeTheKeysOfTheCurrentControlInThisCycle) {
    auto* edit = Make<screens::TVEdit>(FigureKind::Edit, std::uint8_t{0});
    screens::InputEvents events;
    events.keyDown = true;
    events.virtualKey = 0x0D;
    events.figure = edit;
    Latch(events);
    EXPECT_TRUE(cmd::EditCr());
    EXPECT_FALSE(cmd::EditEsc());
    events.virtualKey = 0x1B;
    Latch(events);
    EXPECT_TRUE(cmd::EditEsc());

    auto* other = Make<screens::TVEdit>(FigureKind::Edit, std::uint8_t{0});
    EXPECT_FALSE(cmd::EditEsc()); // the key went to the first edit
    screens::SetCurrentFigure(other);
    Latch({});
    screens::SetCurrentFigure(edit);
    EXPECT_FALSE(cmd::EditEsc()); // the next cycle has no key
}
