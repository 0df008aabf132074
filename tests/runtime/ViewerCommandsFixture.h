// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "TestSupport.h"
#include "UnitCallerRig.h"
#include "screens/FigureTestSupport.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/TSimple.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

namespace testsupport {

// A unit that calls a viewer's commands through their entry cells: its procedure
// `loadProcedure` loads the file named by its variable NAME. Every call is expected to succeed.
class ViewerCallerRig : public UnitCallerRig {
public:
    static platform::Result<std::unique_ptr<ViewerCallerRig>>
    Create(std::initializer_list<Binder> families, const std::string& unitFile,
           std::string loadProcedure) {
        std::unique_ptr<ViewerCallerRig> rig(new ViewerCallerRig(std::move(loadProcedure)));
        if (platform::Status built = rig->Build(families, unitFile); !built)
            return platform::Fail(built.Error());
        return rig;
    }
    void Call(const char* procedure) { EXPECT_TRUE(Run(procedure)) << procedure; }
    void Load(const std::string& name) {
        SetString("NAME", name);
        Call(m_loadProcedure.c_str());
    }

private:
    explicit ViewerCallerRig(std::string loadProcedure)
        : m_loadProcedure(std::move(loadProcedure)) {}

    std::string m_loadProcedure;
};

// The fixture of a viewer's commands: the caller rig, a temporary directory and a shown window
// of 600 x 400 pixels, the current one, holding one placeholder figure (TCSIMPLE, from 10, 10 to
// 410, 310) for the viewer to replace. The screens' globals and the viewers' registry (what
// `Registry` returns) start and end empty.
template <auto Registry> class ViewerCommandsFixture : public ::testing::Test {
protected:
    // For the test's SetUp; a rig that cannot be built fails the test.
    void SetUpViewerCaller(std::initializer_list<UnitCallerRig::Binder> families,
                           const std::string& unitFile, std::string loadProcedure,
                           std::string figureName) {
        screens::Globals().Reset();
        Registry().Reset();
        auto created = ViewerCallerRig::Create(families, unitFile, std::move(loadProcedure));
        ASSERT_TRUE(created) << created.Error();
        rig = std::move(created.Value());
        m_form = std::make_unique<screens::ScreenForm>();
        m_form->resize(600, 400);
        m_figure = figuretest::MakePlaceholder(*m_form, 10, 10, 410, 310, "TCSIMPLE",
                                               std::move(figureName));
        m_form->show();
        screens::SetCurrentWindow(m_form.get());
    }
    void TearDown() override {
        m_form.reset();
        Registry().Reset();
        screens::Globals().Reset();
    }
    // The viewer of the figure, null when there is none.
    auto* Viewer() { return Registry().Find(*m_figure); }

    std::unique_ptr<ViewerCallerRig> rig;
    TempDir m_dir;
    std::unique_ptr<screens::ScreenForm> m_form;
    screens::TSimple* m_figure = nullptr;
};

} // namespace testsupport
