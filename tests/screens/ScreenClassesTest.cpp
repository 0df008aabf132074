// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QTabWidget>

#include "ClassDataSupport.h"
#include "FigureTestSupport.h"
#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/ClassRegistry.h"
#include "screens/ControlClasses.h"
#include "screens/GaugeClasses.h"
#include "screens/ListClasses.h"
#include "screens/AlarmClasses.h"
#include "screens/DisplayClasses.h"
#include "screens/HolderClasses.h"
#include "screens/PageControl.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenObjectOf.h"
#include "screens/ServiceClasses.h"
#include "screens/TSimple.h"
#include "shell/Dictionary.h"

using screens::ClassData;
using screens::FieldValue;

namespace {

using screens::testing::DataOf;
using screens::testing::Field;

// The loader's container search: child widgets depth first in creation order, names compared
// ignoring case.
QWidget* FindContainer(QWidget& root, const QString& name)
{
    for (QObject* child : root.children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget == nullptr)
            continue;
        if (widget->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return widget;
        if (QWidget* found = FindContainer(*widget, name))
            return found;
    }
    return nullptr;
}

class ScreenClasses : public ::testing::Test {
protected:
    void SetUp() override
    {
        screens::Globals().Reset();
        screens::RegisterStandardClasses(screens::Globals().classes);
    }
    void TearDown() override { screens::Globals().Reset(); }

    // A window placeholder (kind 145) named WINDOW1 in the form's client area, as the current
    // figure.
    screens::TSimple* MakePlaceholder()
    {
        auto* placeholder = new screens::TSimple(&m_form.Client());
        const screens::AttributsFig record = figuretest::Record(145, 20, 30, 220, 130);
        placeholder->SetLoading(true);
        placeholder->SetKind(145);
        placeholder->Load(record);
        placeholder->SetLoading(false);
        placeholder->SetNames("PAGECONTRO", "WINDOW1");
        screens::SetCurrentFigure(placeholder);
        return placeholder;
    }

    screens::ScreenForm m_form;
};

} // namespace

TEST_F(ScreenClasses, OnlyClassesWithCyclicWorkRunEachCycle)
{
    const std::set<std::string> holders{"TCLIGNE",  "TCRECT",    "TCROUND",  "TCCIRCLE", "TCELLIPSE",
                                        "TCPOLYLINE", "TCTEXTE", "TCARC",    "TCPOLYGONE", "TCFRAME",
                                        "TCGROUP",  "TCVALUE",   "TCBARV",   "TCBARH",   "TCSUPP",
                                        "TCLISTBOX", "TCBITMAP", "TCMENU",   "TCCOMBO",  "TCSHADE"};
    screens::ClassRegistry registry;
    screens::RegisterStandardClasses(registry);
    for (const screens::ScreenClassEntry& entry : registry.Entries())
        EXPECT_EQ(entry.factory()->RunEachCycle(), holders.count(entry.name) == 0) << entry.name;
}

TEST_F(ScreenClasses, HintIsTranslatedIntoTheTooltipAndTheFirstRawHintIsKept)
{
    shell::Dictionary dictionary;
    dictionary.Initialise(2, std::nullopt, std::string_view("Pompe\tPump\r\n"));
    screens::Globals().dictionary = &dictionary;
    screens::FBase* figure = figuretest::MakeFigure(m_form, figuretest::Record(101, 0, 0, 50, 50));
    screens::SetCurrentFigure(figure);

    screens::TCRect rect;
    ClassData data = DataOf("TCRect");
    Field(data, "hint").bytes = "Pompe";
    rect.ReadData(&data);
    EXPECT_TRUE(rect.Loaded());
    EXPECT_EQ(figure->toolTip(), QStringLiteral("Pump"));
    EXPECT_EQ(figure->DesignHint(), "Pompe");

    // A later hint replaces the tooltip (code-page text shown as such), not the design hint; an
    // empty one changes nothing.
    Field(data, "hint").bytes = "Vanne 5\xB0";
    rect.ReadData(&data);
    EXPECT_EQ(figure->toolTip(), QStringLiteral("Vanne 5\u00B0"));
    EXPECT_EQ(figure->DesignHint(), "Pompe");
    Field(data, "hint").bytes.clear();
    rect.ReadData(&data);
    EXPECT_EQ(figure->toolTip(), QStringLiteral("Vanne 5\u00B0"));

    // The hint leads the data of the alarm grid; it is applied all the same.
    screens::TCGAlarm grid;
    ClassData gridData = DataOf("TCGALARM");
    Field(gridData, "hint").bytes = "Pompe";
    Field(gridData, "columnCaption3").bytes = "Texte";
    Field(gridData, "filter2").bytes = "FILTRE";
    figure->setToolTip({});
    grid.ReadData(&gridData);
    EXPECT_EQ(figure->toolTip(), QStringLiteral("Pump"));
    EXPECT_EQ(grid.ColumnCaptions()[2], "Texte");
    EXPECT_EQ(grid.Filters()[1], "FILTRE");
}

TEST_F(ScreenClasses, PointListsGiveTheirDrawnFigureTheRotationCentre)
{
    screens::FBase* figure = figuretest::MakeFigure(m_form, figuretest::Record(112, 0, 0, 50, 50));
    screens::SetCurrentFigure(figure);
    screens::TCPolygone polygon;
    ClassData data = DataOf("TCPolygone");
    Field(data, "rotationCentreX").number = 30;
    Field(data, "rotationCentreY").number = 40;
    polygon.ReadData(&data);
    EXPECT_EQ(figure->Points().Centre(), QPoint(30, 40));

    // Data without the centre (another layout, or none) gives -1, -1.
    screens::TCPolyLine line;
    ClassData lineData = DataOf("TCLigne");
    line.ReadData(&lineData);
    EXPECT_EQ(figure->Points().Centre(), QPoint(-1, -1));
    polygon.ReadData(&data);
    line.ReadData(nullptr);
    EXPECT_EQ(figure->Points().Centre(), QPoint(-1, -1));
}

TEST_F(ScreenClasses, DeferredClassesKeepTheFieldsOfTheirData)
{
    screens::TCButton button;
    ClassData data = DataOf("TCBUTTON");
    Field(data, "glyphName").bytes = "Pump";
    Field(data, "caption").bytes = "Start";
    Field(data, "glyphPosition").bytes = "Top";
    Field(data, "b1").number = 0;
    Field(data, "button.b3").number = 1;
    Field(data, "button.unit").bytes = "PROG1";
    button.ReadData(&data);
    EXPECT_EQ(button.GlyphName(), "Pump");
    EXPECT_EQ(button.Caption(), "Start");
    EXPECT_EQ(button.GlyphPosition(), "Top");
    EXPECT_FALSE(button.Enabled());
    EXPECT_TRUE(button.GroupSwitch());
    EXPECT_EQ(button.Unit(), "PROG1");

    // An XP-style button has no glyph position nor enabled byte.
    screens::TCXButton xbutton;
    ClassData xdata = DataOf("TCXButton");
    xbutton.ReadData(&xdata);
    EXPECT_EQ(xbutton.GlyphPosition(), "Left");
    EXPECT_TRUE(xbutton.Enabled());

    screens::TCUpDown spin;
    ClassData spinData = DataOf("TCUPDOWN");
    Field(spinData, "orientation").bytes = "Hor";
    Field(spinData, "buttonSide").bytes = "Left";
    Field(spinData, "minimum").number = -5;
    Field(spinData, "maximum").number = 50;
    Field(spinData, "increment").number = 5;
    spin.ReadData(&spinData);
    EXPECT_TRUE(spin.Horizontal());
    EXPECT_TRUE(spin.ButtonsOnLeft());
    EXPECT_EQ(spin.Minimum(), -5);
    EXPECT_EQ(spin.Maximum(), 50);
    EXPECT_EQ(spin.Increment(), 5);

    screens::TCEdit edit;
    ClassData editData = DataOf("TCEdit");
    Field(editData, "edit.variable").bytes = "LEVEL";
    Field(editData, "edit.maximum").bytes = "100";
    edit.ReadData(&editData);
    EXPECT_EQ(edit.Variable(), "LEVEL");
    EXPECT_EQ(edit.Maximum(), "100");

    screens::TCDDE dde;
    ClassData ddeData = DataOf("TCDDE");
    const char* names[] = {"dde.n1", "dde.n2", "dde.n3", "dde.n4", "dde.n5", "dde.n6"};
    for (const char* name : names)
        Field(ddeData, name).bytes = name;
    Field(ddeData, "dde.b1").number = 1;
    dde.ReadData(&ddeData);
    EXPECT_EQ(dde.Server() + dde.Item() + dde.Topic() + dde.Macro(), "dde.n1dde.n2dde.n3dde.n4");
    EXPECT_EQ(dde.Variable() + dde.Condition(), "dde.n5dde.n6");
    EXPECT_TRUE(dde.Request());

    screens::TCGFormule recipe;
    ClassData recipeData = DataOf("TCGFORMULE");
    Field(recipeData, "formula.n2").bytes = "' Batch '";
    Field(recipeData, "formula.n3").bytes = "LOAD";
    recipe.ReadData(&recipeData);
    EXPECT_EQ(recipe.Destination(), "' Batch '");
    EXPECT_EQ(recipe.Trigger(), "LOAD");
}

TEST_F(ScreenClasses, PageControlReplacesItsPlaceholderByNamedPagesOnItsFirstRun)
{
    shell::Dictionary dictionary;
    dictionary.Initialise(2, std::nullopt, std::string_view("R\xE9glages\tSettings\r\n"));
    screens::Globals().dictionary = &dictionary;
    screens::TSimple* placeholder = MakePlaceholder();
    placeholder->show();
    placeholder->AttachScreenObject(std::make_unique<screens::PageControl>());
    auto* pages = screens::ScreenObjectOf<screens::PageControl>(placeholder);
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(screens::ScreenObjectOf<screens::TCRect>(placeholder), nullptr);
    EXPECT_EQ(screens::ScreenObjectOf<screens::PageControl>(nullptr), nullptr);

    ClassData data = DataOf("PageControl");
    Field(data, "tabsOnTop").number = 0;
    Field(data, "pageCaptions").items = {"Vue", "R\xE9glages"};
    Field(data, "multiLineTabs").number = 1;
    pages->ReadData(&data);
    EXPECT_EQ(pages->PageCount(), 0);
    EXPECT_EQ(pages->CurrentPage(), -1);
    pages->Run();

    QTabWidget* tabs = pages->Tabs();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->parentWidget(), &m_form.Client());
    EXPECT_EQ(tabs->geometry(), placeholder->geometry());
    EXPECT_EQ(tabs->palette().color(QPalette::Window), placeholder->palette().color(QPalette::Window));
    EXPECT_EQ(tabs->tabPosition(), QTabWidget::South);
    EXPECT_FALSE(tabs->usesScrollButtons());
    EXPECT_TRUE(placeholder->isHidden());
    EXPECT_FALSE(tabs->isHidden());
    ASSERT_EQ(pages->PageCount(), 2);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Vue"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Settings"));
    EXPECT_EQ(tabs->widget(0)->objectName(), QStringLiteral("WINDOW1_S0"));

    // A later object names its page as its parent.
    QWidget* page = FindContainer(m_form, QStringLiteral("Window1_S1"));
    ASSERT_EQ(page, tabs->widget(1));
    auto* child = new QWidget(page);
    EXPECT_EQ(FindContainer(m_form, QStringLiteral("WINDOW1_S1")), child->parentWidget());

    EXPECT_TRUE(pages->SelectPage(1));
    EXPECT_EQ(pages->CurrentPage(), 1);
    EXPECT_FALSE(pages->SelectPage(2));
    EXPECT_FALSE(pages->SelectPage(-1));
    EXPECT_EQ(pages->CurrentPage(), 1);

    // Later runs leave the control as it is.
    pages->Run();
    EXPECT_EQ(pages->Tabs(), tabs);
    EXPECT_EQ(m_form.Client().findChildren<QTabWidget*>().size(), 1);

    // The control goes with its placeholder, which owns the object.
    QPointer<QTabWidget> guard(tabs);
    delete placeholder;
    EXPECT_TRUE(guard.isNull());
}

TEST_F(ScreenClasses, PageControlWaitsForAFigureAndDefaultsWithoutData)
{
    screens::PageControl pages;
    pages.ReadData(nullptr);
    pages.Run(); // no current figure: nothing to replace yet
    EXPECT_EQ(pages.Tabs(), nullptr);

    screens::TSimple* placeholder = MakePlaceholder();
    placeholder->hide();
    pages.Run();
    ASSERT_NE(pages.Tabs(), nullptr);
    EXPECT_EQ(pages.Tabs()->tabPosition(), QTabWidget::North);
    EXPECT_EQ(pages.PageCount(), 0);
    // A hidden placeholder leaves the control hidden too.
    EXPECT_TRUE(pages.Tabs()->isHidden());
    EXPECT_TRUE(placeholder->isHidden());
}

TEST_F(ScreenClasses, DamagedOrMissingClassDataNeverBreaksAClass)
{
    screens::FBase* figure = figuretest::MakeFigure(m_form, figuretest::Record(112, 0, 0, 50, 50));
    ClassData foreign = DataOf("PageControl");
    Field(foreign, "pageCaptions").items = {"A"};
    screens::ClassRegistry registry;
    screens::RegisterStandardClasses(registry);
    for (const screens::ScreenClassEntry& entry : registry.Entries()) {
        SCOPED_TRACE(entry.name);
        ClassData own = DataOf(entry.name);
        ClassData cut = own;
        cut.values.resize(cut.values.size() / 2);
        ClassData noLayout;
        noLayout.values.resize(3);
        ClassData longHint = own;
        if (FieldValue* hint = longHint.Find("hint"))
            hint->bytes = std::string(300, 'h'); // longer than the file can hold

        std::unique_ptr<screens::Component> object = entry.factory();
        screens::SetCurrentFigure(nullptr);
        object->ReadData(&own);
        object->Run();
        screens::SetCurrentFigure(figure);
        const std::vector<const ClassData*> damaged{nullptr, &cut, &noLayout, &foreign, &longHint};
        for (const ClassData* data : damaged)
            object->ReadData(data);
        object->Run();
        EXPECT_TRUE(object->Loaded());
    }
}
