// Quorva run-time. Licensed under the MIT licence.
#include <memory>
#include <string>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "ClassDataSupport.h"
#include "TestVariables.h"
#include "screens/AttributsFig.h"
#include "screens/ClassData.h"
#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/ControlClasses.h"
#include "screens/FigureKind.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/TVCheckBox.h"
#include "screens/TVEdit.h"

namespace {

using screens::testing::DataOf;

using screens::ClassData;
using screens::FigureKind;

void SetField(ClassData& data, std::string_view name, std::string value)
{
    screens::FieldValue* field = data.Find(name);
    ASSERT_NE(field, nullptr) << name;
    field->bytes = std::move(value);
}

screens::AttributsFig BoundRecord(FigureKind kind)
{
    screens::AttributsFig record;
    record.kind = static_cast<std::uint8_t>(kind);
    record.x1 = 10;
    record.y1 = 10;
    record.x2 = 130;
    record.y2 = 34;
    record.fontName = "Arial";
    record.fontHeight = -13;
    return record;
}

template <typename Control, typename... Args> Control* MakeControl(screens::ScreenForm& form, FigureKind kind, Args... args)
{
    auto* control = new Control(args..., &form.Client());
    control->SetLoading(true);
    control->SetKind(static_cast<std::uint8_t>(kind));
    control->Load(BoundRecord(kind));
    control->SetLoading(false);
    control->show();
    return control;
}

// Figures with their bound objects in a window, and the test's variables.
class BoundClasses : public ::testing::Test {
protected:
    void SetUp() override
    {
        screens::Globals().Reset();
        m_variables = std::make_unique<screens::testing::TestVariables>();
        screens::SetCurrentWindow(&m_form);
    }
    void TearDown() override
    {
        m_variables.reset();
        screens::Globals().Reset();
    }

    screens::TVEdit* Edit(const std::string& variable, const std::string& minimum = {}, const std::string& maximum = {})
    {
        auto* edit = MakeControl<screens::TVEdit>(m_form, FigureKind::Edit, std::uint8_t{0});
        ClassData data = DataOf("TCEdit");
        SetField(data, "edit.variable", variable);
        SetField(data, "edit.minimum", minimum);
        SetField(data, "edit.maximum", maximum);
        screens::SetCurrentFigure(edit);
        auto object = std::make_unique<screens::TCEdit>();
        object->ReadData(&data);
        edit->AttachScreenObject(std::move(object));
        return edit;
    }
    screens::TVCheckBox* Box(const std::string& variable)
    {
        auto* box = MakeControl<screens::TVCheckBox>(m_form, FigureKind::CheckBox);
        ClassData data = DataOf("TCCASE");
        SetField(data, "case.n1", variable);
        screens::SetCurrentFigure(box);
        auto object = std::make_unique<screens::TCCase>();
        object->ReadData(&data);
        box->AttachScreenObject(std::move(object));
        return box;
    }
    static void Run(screens::Figure* figure)
    {
        screens::SetCurrentFigure(figure);
        figure->ScreenObject()->Run();
    }
    static screens::TCEdit& EditObject(screens::Figure* figure)
    {
        return *dynamic_cast<screens::TCEdit*>(figure->ScreenObject());
    }
    static void Type(QLineEdit* edit, const QString& text)
    {
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    screens::ScreenForm m_form;
    std::unique_ptr<screens::testing::TestVariables> m_variables;
};

} // namespace

TEST_F(BoundClasses, EditShowsEachTypeAndAnUnknownVariableAsZero)
{
    auto& v = *m_variables;
    v.Add("COUNT", 4);
    v.SetInteger("COUNT", -42);
    v.Add("LEVEL", 5);
    v.SetReal("LEVEL", 12.5L);
    v.Add("SPEED", 20);
    v.SetWord("SPEED", 65535);
    v.Add("RATIO", 24);
    v.SetSingle("RATIO", 0.1f);
    v.Add("NAME", 9);
    v.SetString("NAME", "Pump \xB0");
    v.Add("FLAG", 3);
    v.SetBoolean("FLAG", true);
    v.Add("SMALL", 7);
    v.SetByte("SMALL", 200);

    const std::pair<const char*, QString> cases[] = {
        {"count", "-42"}, {"LEVEL", "12.5"},          {"SPEED", "65535"}, {"RATIO", "0.1"},
        {"NAME", "Pump \u00B0"}, {"FLAG", "True"}, {"SMALL", "200"},   {"MISSING", "0"},
    };
    for (const auto& [name, shown] : cases) {
        screens::TVEdit* edit = Edit(name);
        Run(edit);
        EXPECT_EQ(edit->text(), shown) << name;
    }

    // A real with decimals on the figure shows that many.
    screens::TVEdit* fixed = Edit("LEVEL");
    fixed->SetDecimals(2);
    Run(fixed);
    EXPECT_EQ(fixed->text(), "12.50");
}

TEST_F(BoundClasses, EditWritesTheFieldOnlyWhenTheValueChanged)
{
    m_variables->Add("COUNT", 4);
    m_variables->SetInteger("COUNT", 7);
    screens::TVEdit* edit = Edit("COUNT");
    int changes = 0;
    QObject::connect(edit, &QLineEdit::textChanged, [&changes] { ++changes; });

    for (int cycle = 0; cycle < 5; ++cycle)
        Run(edit);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(EditObject(edit).Writes(), 1u);

    m_variables->SetInteger("COUNT", 8);
    Run(edit);
    Run(edit);
    EXPECT_EQ(edit->text(), "8");
    EXPECT_EQ(changes, 2);

    // An unknown variable shows "0" once and is then left alone.
    screens::TVEdit* unbound = Edit("NOPE");
    Run(unbound);
    Run(unbound);
    EXPECT_FALSE(EditObject(unbound).Bound());
    EXPECT_EQ(EditObject(unbound).Writes(), 1u);
}

TEST_F(BoundClasses, OperatorEntryIsTakenWithinItsLimitsAndRefusedOtherwise)
{
    auto& v = *m_variables;
    v.Add("SETPOINT", 4);
    v.SetInteger("SETPOINT", 50);
    v.Add("HIGHEST", 5);
    v.SetReal("HIGHEST", 100);
    screens::TVEdit* edit = Edit("SETPOINT", " 0 ", "HIGHEST");
    Run(edit);
    ASSERT_EQ(edit->text(), "50");

    Type(edit, "150"); // above the maximum (a variable)
    EXPECT_EQ(v.Number("SETPOINT"), 50);
    EXPECT_EQ(edit->text(), "50");
    Type(edit, "-1"); // below the minimum
    Type(edit, "abc"); // not a number
    Type(edit, "12.5"); // not whole
    EXPECT_EQ(v.Number("SETPOINT"), 50);
    EXPECT_EQ(edit->text(), "50");

    Type(edit, " 75 ");
    EXPECT_EQ(v.Number("SETPOINT"), 75);
    EXPECT_EQ(edit->text(), "75");
    v.SetReal("HIGHEST", 80); // a limit variable is read at the time of the entry
    Type(edit, "90");
    EXPECT_EQ(v.Number("SETPOINT"), 75);

    // A real takes a comma as its separator; a word refuses what does not fit in it.
    v.Add("LEVEL", 5);
    screens::TVEdit* level = Edit("LEVEL");
    Run(level);
    Type(level, "2,5");
    EXPECT_EQ(v.Number("LEVEL"), 2.5L);
    EXPECT_EQ(level->text(), "2.5");
    v.Add("SPEED", 20);
    screens::TVEdit* speed = Edit("SPEED");
    Run(speed);
    Type(speed, "70000");
    EXPECT_EQ(v.Number("SPEED"), 0);
    EXPECT_EQ(speed->text(), "0");

    // A string takes the text; an unbound edit refuses every entry and shows "0" again.
    v.Add("NAME", 9);
    screens::TVEdit* name = Edit("NAME");
    Run(name);
    Type(name, "Valve 3");
    EXPECT_EQ(v.String("NAME"), "Valve 3");
    screens::TVEdit* unbound = Edit("NOPE");
    Run(unbound);
    EXPECT_FALSE(EditObject(unbound).Commit("12"));
    EXPECT_EQ(unbound->text(), "0");
}

TEST_F(BoundClasses, EditLeavesTheFieldAloneWhileTheOperatorTypes)
{
    m_variables->Add("COUNT", 4);
    screens::TVEdit* edit = Edit("COUNT");
    Run(edit);
    m_form.show();
    QApplication::setActiveWindow(&m_form);
    edit->setFocus();
    if (!edit->hasFocus())
        GTEST_SKIP() << "the platform gives no focus";
    QTest::keyClicks(edit, "12");
    m_variables->SetInteger("COUNT", 3);
    Run(edit);
    EXPECT_EQ(edit->text(), "012");
    QTest::keyClick(edit, Qt::Key_Return); // the entry is taken, the field shows it
    EXPECT_EQ(m_variables->Number("COUNT"), 12);
    EXPECT_EQ(edit->text(), "12");
    m_variables->SetInteger("COUNT", 4);
    Run(edit);
    EXPECT_EQ(edit->text(), "4");
}

TEST_F(BoundClasses, CheckBoxFollowsItsBooleanAndTouchesTheBoxOnlyOnAChange)
{
    m_variables->Add("RUNNING", 3);
    m_variables->SetBoolean("RUNNING", true);
    screens::TVCheckBox* box = Box("running");
    auto& object = *dynamic_cast<screens::CheckBinding*>(box->ScreenObject());
    Run(box);
    EXPECT_TRUE(box->isChecked()); // the state at the start shows at once

    m_variables->SetBoolean("RUNNING", false);
    Run(box);
    EXPECT_FALSE(box->isChecked());
    const auto writes = object.Writes();

    // The operator's click stays while the variable does not change.
    box->setChecked(true);
    Run(box);
    Run(box);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(object.Writes(), writes);
    m_variables->SetByte("RUNNING", 2); // any non-zero byte checks
    Run(box);
    m_variables->SetByte("RUNNING", 0);
    Run(box);
    EXPECT_FALSE(box->isChecked());

    // An unknown variable switches the binding off.
    screens::TVCheckBox* unbound = Box("NOPE");
    unbound->setChecked(true);
    Run(unbound);
    EXPECT_TRUE(unbound->isChecked());
    EXPECT_FALSE(dynamic_cast<screens::CheckBinding*>(unbound->ScreenObject())->Bound());
}
