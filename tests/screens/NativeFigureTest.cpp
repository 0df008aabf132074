// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>

#include "screens/AttributsFig.h"
#include "screens/FigureFont.h"
#include "screens/FigureKind.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/TSimple.h"
#include "screens/TVCheckBox.h"
#include "screens/TVComboBox.h"
#include "screens/TVEdit.h"
#include "screens/TVListBox.h"
#include "screens/TVMemo.h"

using screens::AttributsFig;
using screens::FigureKind;
using screens::NativeBorder;

namespace {

constexpr std::uint32_t kRecordRed = 0x000000FF;
constexpr std::uint32_t kRecordBlue = 0x00FF0000;

AttributsFig Record(FigureKind kind, std::string text)
{
    AttributsFig record;
    record.kind = static_cast<std::uint8_t>(kind);
    record.x1 = 110; // corners stored the wrong way round
    record.y1 = 45;
    record.x2 = 10;
    record.y2 = 20;
    record.foreColour = kRecordRed;
    record.backColour = kRecordBlue;
    record.fontName = "Arial";
    record.fontHeight = -13;
    record.bold = 1;
    record.text = std::move(text);
    return record;
}

// Creates a figure as the screen loader does: loading mark, kind, record, mark cleared.
template <typename T, typename... Args> T* Make(QWidget& parent, const AttributsFig& record, Args... args)
{
    auto* figure = new T(args..., &parent);
    figure->SetLoading(true);
    figure->SetKind(record.kind);
    figure->Load(record);
    figure->SetLoading(false);
    return figure;
}

class NativeFigures : public ::testing::Test {
protected:
    void SetUp() override { screens::Globals().Reset(); }
    void TearDown() override { screens::Globals().Reset(); }
    screens::ScreenForm m_form;
};

} // namespace

TEST_F(NativeFigures, EditTakesColoursFontTextPasswordBoundsAndBorderFromItsRecord)
{
    AttributsFig record = Record(FigureKind::Edit, "secret");
    record.password = 1;
    record.options = 2 | 4;
    auto* edit = Make<screens::TVEdit>(m_form, record, std::uint8_t{7});
    EXPECT_EQ(edit->EditOption(), 7);
    EXPECT_EQ(edit->geometry(), QRect(10, 20, 100, 25));
    EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(0, 0, 255));
    EXPECT_EQ(edit->font().pixelSize(), 13);
    EXPECT_TRUE(edit->font().bold());
    EXPECT_EQ(edit->text(), "secret");
    EXPECT_TRUE(edit->IsPassword());
    EXPECT_EQ(edit->displayText(), "******");
    EXPECT_EQ(edit->Border(), NativeBorder::Sunken);
    EXPECT_TRUE(edit->hasFrame());

    // Code-page text is shown as such.
    record = Record(FigureKind::Edit, "Gr\xFC\xDF" "e");
    record.options = 1;
    auto* plain = Make<screens::TVEdit>(m_form, record, std::uint8_t{0});
    EXPECT_EQ(plain->text(), QString::fromUtf8("Grüße"));
    EXPECT_FALSE(plain->IsPassword());
    EXPECT_EQ(plain->displayText(), QString::fromUtf8("Grüße"));
    EXPECT_EQ(plain->Border(), NativeBorder::None);
    EXPECT_FALSE(plain->hasFrame());

    EXPECT_EQ(screens::NativeFigure::BorderFromOptions(0), NativeBorder::Flat);
    EXPECT_EQ(screens::NativeFigure::BorderFromOptions(2), NativeBorder::Flat);
    EXPECT_EQ(screens::NativeFigure::BorderFromOptions(1 | 4), NativeBorder::None);
    EXPECT_EQ(screens::NativeFigure::BorderFromOptions(1 | 2 | 4), NativeBorder::Sunken);

    // A flat border is a one-pixel black line around the edit.
    plain->SetText("");
    record.options = 2;
    auto* flat = Make<screens::TVEdit>(m_form, record, std::uint8_t{0});
    flat->resize(60, 22);
    const QImage image = flat->grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(59, 21), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(30, 0), QColor(0, 0, 0));
}

TEST_F(NativeFigures, SettersAndTypingKeepFigureAndControlTogether)
{
    auto* edit = Make<screens::TVEdit>(m_form, Record(FigureKind::Edit, "one"), std::uint8_t{0});
    edit->SetBackColour(0x0000FF00);
    EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(0, 255, 0));
    edit->SetText("two");
    EXPECT_EQ(edit->text(), "two");
    edit->SetFont("Courier New", -20, screens::kFontItalic);
    EXPECT_EQ(edit->font().pixelSize(), 20);
    EXPECT_TRUE(edit->font().italic());

    edit->setCursorPosition(3);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QString::fromUtf8("é"));
    QApplication::sendEvent(edit, &press);
    EXPECT_EQ(edit->Properties().text, "two\xE9");

    auto* memo = Make<screens::TVMemo>(m_form, Record(FigureKind::Edit, "a\r\nb"));
    EXPECT_EQ(memo->document()->blockCount(), 2);
    EXPECT_EQ(memo->Properties().text, "a\r\nb"); // showing the text does not rewrite it
    memo->SetText("x\r\ny\r\nz");
    EXPECT_EQ(memo->document()->blockCount(), 3);
}

TEST_F(NativeFigures, MemoScrollBarsAndBordersComeFromTheRecord)
{
    struct Case {
        std::uint8_t horizontal, vertical;
    };
    for (const Case c : {Case{1, 1}, Case{1, 0}, Case{0, 1}, Case{0, 0}}) {
        AttributsFig record = Record(FigureKind::Edit, "text");
        record.multiLine = 1;
        record.editOption = c.horizontal;
        record.memoVScroll = c.vertical;
        auto* memo = Make<screens::TVMemo>(m_form, record);
        EXPECT_EQ(memo->horizontalScrollBarPolicy(), c.horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        EXPECT_EQ(memo->verticalScrollBarPolicy(), c.vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        EXPECT_EQ(memo->lineWrapMode(), c.horizontal ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    }

    AttributsFig record = Record(FigureKind::Edit, "");
    record.options = 1;
    EXPECT_EQ(Make<screens::TVMemo>(m_form, record)->frameShape(), QFrame::NoFrame);
    record.options = 2;
    auto* flat = Make<screens::TVMemo>(m_form, record);
    EXPECT_EQ(flat->frameShape(), QFrame::Box);
    EXPECT_EQ(flat->palette().color(QPalette::WindowText), QColor(0, 0, 0)); // the line, not the fore colour
    EXPECT_EQ(flat->palette().color(QPalette::Text), QColor(255, 0, 0));
    record.options = 4;
    EXPECT_EQ(Make<screens::TVMemo>(m_form, record)->frameShadow(), QFrame::Sunken);
}

TEST_F(NativeFigures, ComboSortsWhenAskedAndListCheckBoxWindowTakeTheSharedFields)
{
    AttributsFig record = Record(FigureKind::ComboBox, "typed");
    record.sorted = 1;
    auto* sorted = Make<screens::TVComboBox>(m_form, record);
    for (const char* item : {"pear", "Apple", "banana"})
        sorted->AddItem(item);
    ASSERT_EQ(sorted->count(), 3);
    EXPECT_EQ(sorted->itemText(0), "Apple");
    EXPECT_EQ(sorted->itemText(1), "banana");
    EXPECT_EQ(sorted->itemText(2), "pear");
    EXPECT_EQ(sorted->currentText(), "typed");
    EXPECT_EQ(sorted->Properties().text, "typed");

    record.sorted = 0;
    auto* unsorted = Make<screens::TVComboBox>(m_form, record);
    for (const char* item : {"pear", "Apple"})
        unsorted->AddItem(item);
    EXPECT_EQ(unsorted->itemText(0), "pear");
    EXPECT_FALSE(unsorted->IsSorted());

    auto* check = Make<screens::TVCheckBox>(m_form, Record(FigureKind::CheckBox, "Pump on"));
    EXPECT_EQ(check->text(), "Pump on");
    EXPECT_EQ(check->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(check->palette().color(QPalette::Window), QColor(0, 0, 255));
    EXPECT_TRUE(check->autoFillBackground());
    EXPECT_EQ(check->geometry(), QRect(10, 20, 100, 25));

    auto* list = Make<screens::TVListBox>(m_form, Record(FigureKind::ListBox, "caption"));
    EXPECT_EQ(list->palette().color(QPalette::Base), QColor(0, 0, 255));
    EXPECT_EQ(list->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(list->windowTitle(), "caption");
    EXPECT_TRUE(list->font().bold());

    auto* window = Make<screens::TSimple>(m_form, Record(FigureKind::Window, "panel"));
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(0, 0, 255));
    EXPECT_EQ(window->geometry(), QRect(10, 20, 100, 25));
    auto* inside = Make<screens::TVCheckBox>(*window, Record(FigureKind::CheckBox, "child"));
    EXPECT_EQ(inside->parentWidget(), window);
}

TEST_F(NativeFigures, FollowThePageRuleOfTheirWindow)
{
    m_form.resize(300, 200);
    m_form.show();
    m_form.SetCurrentPage(1);
    AttributsFig record = Record(FigureKind::CheckBox, "on page 2");
    record.pageLayer = 2;
    auto* check = Make<screens::TVCheckBox>(m_form, record);
    auto* list = Make<screens::TVListBox>(m_form, Record(FigureKind::ListBox, "every page"));
    check->show();
    list->show();
    check->SetPageLayer(2);
    EXPECT_FALSE(check->isVisible());
    m_form.SetCurrentPage(2);
    EXPECT_TRUE(check->isVisible());
    EXPECT_TRUE(list->isVisible());
    m_form.SetCurrentPage(3);
    EXPECT_FALSE(check->isVisible());
    EXPECT_TRUE(list->isVisible());
    check->SetPageLayer(0);
    EXPECT_TRUE(check->isVisible());
}

TEST_F(NativeFigures, AlignmentDocksToAnEdgeOfTheParentAndFollowsItsSize)
{
    m_form.resize(500, 400);
    m_form.show();
    auto* panel = new QWidget(&m_form);
    panel->setGeometry(0, 0, 300, 200);
    panel->show();

    struct Case {
        std::uint8_t alignment;
        QRect before, after;
    };
    const Case cases[] = {
        {1, QRect(0, 0, 300, 25), QRect(0, 0, 400, 25)},
        {2, QRect(0, 175, 300, 25), QRect(0, 225, 400, 25)},
        {3, QRect(0, 0, 100, 200), QRect(0, 0, 100, 250)},
        {4, QRect(200, 0, 100, 200), QRect(300, 0, 100, 250)},
        {5, QRect(0, 0, 300, 200), QRect(0, 0, 400, 250)},
        {0, QRect(10, 20, 100, 25), QRect(10, 20, 100, 25)},
    };
    for (const Case& c : cases) {
        panel->resize(300, 200);
        AttributsFig record = Record(FigureKind::Window, "docked");
        record.alignment = c.alignment;
        auto* docked = Make<screens::TSimple>(*panel, record);
        EXPECT_EQ(docked->geometry(), c.before) << int(c.alignment);
        panel->resize(400, 250);
        EXPECT_EQ(docked->geometry(), c.after) << int(c.alignment);
        delete docked;
    }

    // Docked figures of one parent share it: a second top figure goes below the first, a
    // client figure takes what is left.
    panel->resize(300, 200);
    AttributsFig top = Record(FigureKind::Window, "top");
    top.alignment = 1;
    auto* first = Make<screens::TSimple>(*panel, top);
    auto* second = Make<screens::TVCheckBox>(*panel, top);
    top.alignment = 5;
    auto* rest = Make<screens::TVListBox>(*panel, top);
    EXPECT_EQ(first->geometry(), QRect(0, 0, 300, 25));
    EXPECT_EQ(second->geometry(), QRect(0, 25, 300, 25));
    EXPECT_EQ(rest->geometry(), QRect(0, 50, 300, 150));
    panel->resize(300, 300);
    EXPECT_EQ(rest->geometry(), QRect(0, 50, 300, 250));
    delete first;
    delete second;
    delete rest;

    // A docked figure that moves to another parent follows the new one.
    AttributsFig record = Record(FigureKind::ListBox, "");
    record.alignment = 5;
    auto* list = Make<screens::TVListBox>(*panel, record);
    list->setParent(&m_form);
    EXPECT_EQ(list->geometry(), QRect(0, 0, 500, 400));
    m_form.resize(520, 410);
    QApplication::processEvents();
    EXPECT_EQ(list->geometry(), QRect(0, 0, 520, 410));
}
