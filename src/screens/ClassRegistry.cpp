// Quorva run-time. Licensed under the MIT licence.
#include "screens/ClassRegistry.h"

#include <array>
#include <utility>

#include "screens/AlarmClasses.h"
#include "screens/Component.h"
#include "screens/ControlClasses.h"
#include "screens/GaugeClasses.h"
#include "screens/ListClasses.h"
#include "screens/DisplayClasses.h"
#include "screens/GridClasses.h"
#include "screens/HolderClasses.h"
#include "screens/NativeClasses.h"
#include "screens/PageControl.h"
#include "screens/ServiceClasses.h"

namespace screens {
namespace {

// Screen files keep the first 10 characters of a class name; aliases are cut to 20.
constexpr std::size_t kRecordNameLength = 10;
constexpr std::size_t kAliasLength = 20;

std::string UpperAscii(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

template <class T> std::unique_ptr<Component> Make()
{
    return std::make_unique<T>();
}

struct StandardRow {
    std::string_view name;
    std::string_view alias;
    std::int32_t kind;
    std::unique_ptr<Component> (*make)();
};

// The classes of list view, cool bar and tree ("Sout") are registered under the name of the
// module that holds them, as the older aliases ("LINEU", "EDITU") name theirs.
constexpr std::string_view kNativeModule = "NativeClasses";

// Every standard class, in registration order.
constexpr std::array kStandardRows{
    StandardRow{"TCLigne", "LINEU", 100, &Make<TCLigne>},
    StandardRow{"TCRect", "CARREU", 101, &Make<TCRect>},
    StandardRow{"TCRound", "ROUNDU", 102, &Make<TCRound>},
    StandardRow{"TCCircle", "CERCLEU", 103, &Make<TCCircle>},
    StandardRow{"TCEllipse", "CERCLEU", 104, &Make<TCEllipse>},
    StandardRow{"TCPolyLine", "POLYLU", 105, &Make<TCPolyLine>},
    StandardRow{"TCTexte", "TEXTU", 106, &Make<TCTexte>},
    StandardRow{"TCArc", "ARCU", 110, &Make<TCArc>},
    StandardRow{"TCPolygone", "POLYGU", 112, &Make<TCPolygone>},
    StandardRow{"TCEdit", "EDITU", 114, &Make<TCEdit>},
    StandardRow{"TCFRAME", "", 115, &Make<TCFrame>},
    StandardRow{"TCGROUP", "GROUPU", 116, &Make<TCGroup>},
    StandardRow{"TCBUTTON", "", 121, &Make<TCButton>},
    StandardRow{"TCXButton", "", 121, &Make<TCXButton>},
    StandardRow{"TCVALUE", "", 122, &Make<TCValue>},
    StandardRow{"TCBARV", "", 123, &Make<TCBarV>},
    StandardRow{"TCBARH", "", 124, &Make<TCBarH>},
    StandardRow{"TCSUPP", "", 127, &Make<TCSupp>},
    StandardRow{"TCListbox", "LISTU", 128, &Make<TCListbox>},
    StandardRow{"TCALARM", "", 128, &Make<TCAlarm>},
    StandardRow{"CheckListBox", "CCheckL", 128, &Make<CheckListBox>},
    StandardRow{"TCBitmap", "", 133, &Make<TCBitmap>},
    StandardRow{"TCDDE", "", 133, &Make<TCDDE>},
    StandardRow{"TCMENU", "", 133, &Make<TCMenu>},
    StandardRow{"TCFormule", "", 133, &Make<TCFormule>},
    StandardRow{"TCGFORMULE", "", 133, &Make<TCGFormule>},
    StandardRow{"MPopUp", "Popup", 133, &Make<MPopUp>},
    StandardRow{"TCCASE", "", 134, &Make<TCCase>},
    StandardRow{"TCRADIO", "", 134, &Make<TCRadio>},
    StandardRow{"TCCOMBO", "COMBOU", 136, &Make<TCCombo>},
    StandardRow{"TCSHADE", "", 144, &Make<TCShade>},
    StandardRow{"PageControl", "CPAge", 145, &Make<PageControl>},
    StandardRow{"TCGALARM", "", 145, &Make<TCGAlarm>},
    StandardRow{"TCGrille", "", 145, &Make<TCGrille>},
    StandardRow{"TCTRACKBAR", "", 145, &Make<TCTrackBar>},
    StandardRow{"TCUPDOWN", "", 145, &Make<TCUpDown>},
    StandardRow{"TSLIDER", "", 145, &Make<TSlider>},
    StandardRow{"TKNOB", "", 145, &Make<TKnob>},
    StandardRow{"TCAxis", "", 145, &Make<TCAxis>},
    StandardRow{"STrackBar", "TrackBar", 145, &Make<STrackBar>},
    StandardRow{"DateTimePicker", "CPicker", 145, &Make<DateTimePicker>},
    StandardRow{"RichEdit", "Rich", 145, &Make<RichEdit>},
    StandardRow{"Splitter", "CSplit", 101, &Make<Splitter>},
    StandardRow{"ListView", kNativeModule, 145, &Make<ListView>},
    StandardRow{"CoolBar", kNativeModule, 145, &Make<CoolBar>},
    StandardRow{"Sout", kNativeModule, 145, &Make<Sout>},
};

} // namespace

bool ClassRegistry::RegisterScreenClass(std::string_view name, std::string_view alias,
                                        std::int32_t kind, ComponentFactory factory)
{
    // A row without a name could never be found, one without a factory never make an object.
    if (name.empty() || !factory || IsScreenClassRegistered(name))
        return false;
    ScreenClassEntry entry;
    entry.name = UpperAscii(name);
    entry.alias = UpperAscii(alias.substr(0, kAliasLength));
    entry.kind = kind;
    entry.factory = std::move(factory);
    m_entries.push_back(std::move(entry));
    return true;
}

const ScreenClassEntry* ClassRegistry::FindScreenClass(std::string_view recordClassName) const
{
    if (recordClassName.empty())
        return nullptr;
    const std::string wanted = UpperAscii(recordClassName);
    for (const ScreenClassEntry& entry : m_entries)
        if (std::string_view(entry.name).substr(0, kRecordNameLength) == wanted)
            return &entry;
    return nullptr;
}

void ClassRegistry::CountInstance(std::string_view name, bool up)
{
    const std::string wanted = UpperAscii(name);
    for (ScreenClassEntry& entry : m_entries) {
        if (entry.name != wanted)
            continue;
        if (up)
            ++entry.instanceCount;
        else if (entry.instanceCount > 0)
            --entry.instanceCount;
        entry.inUse = entry.instanceCount > 0;
        return;
    }
}

bool ClassRegistry::IsScreenClassRegistered(std::string_view name) const
{
    return Entry(name) != nullptr;
}

const ScreenClassEntry* ClassRegistry::Entry(std::string_view name) const
{
    const std::string wanted = UpperAscii(name);
    for (const ScreenClassEntry& entry : m_entries)
        if (entry.name == wanted)
            return &entry;
    return nullptr;
}

void RegisterStandardClasses(ClassRegistry& registry)
{
    for (const StandardRow& row : kStandardRows)
        registry.RegisterScreenClass(row.name, row.alias, row.kind, row.make);
}

} // namespace screens
