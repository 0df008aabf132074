// Quorva run-time. Licensed under the MIT licence.
#include "screens/ClassLayouts.h"

#include <array>
#include <span>
#include <string>
#include <utility>

namespace screens {
namespace {

// The layouts are written once, as token tables: B byte, N name string, R raw bytes, S raw
// 256-byte string, F fixed short string, L list, I16/I32 signed values, and a reference to a
// shared property record, which is expanded in place with the record's name in front of its
// field names. Tokens without a name are numbered per letter within their level ("n3" is the
// third N, counting named ones too), so that a field keeps its number when others get names.
enum class Tok : std::uint8_t { B, N, R, S, F, L, I16, I32, Rec, TabStyle, Captions, ColCount, ColList, Settings };

struct Record;

struct Token {
    Tok tok = Tok::B;
    std::uint16_t size = 0;
    std::string_view name = {};
    std::uint8_t repeat = 1;
    const Record* record = nullptr;
};

struct Record {
    std::string_view prefix;
    std::span<const Token> tokens;
};

struct ClassDef {
    std::string_view name;
    std::span<const Token> tokens;
};

constexpr Token B(std::string_view name = {}) { return {Tok::B, 0, name}; }
constexpr Token Bs(std::uint8_t count) { return {Tok::B, 0, {}, count}; }
constexpr Token N(std::string_view name = {}) { return {Tok::N, 0, name}; }
constexpr Token Ns(std::uint8_t count) { return {Tok::N, 0, {}, count}; }
constexpr Token R(std::uint16_t size, std::string_view name = {}) { return {Tok::R, size, name}; }
constexpr Token Rs(std::uint8_t count, std::uint16_t size) { return {Tok::R, size, {}, count}; }
constexpr Token S(std::string_view name = {}) { return {Tok::S, 0, name}; }
constexpr Token F(std::uint16_t slots, std::string_view name) { return {Tok::F, slots, name}; }
constexpr Token L(std::string_view name = {}) { return {Tok::L, 0, name}; }
constexpr Token I16(std::string_view name) { return {Tok::I16, 0, name}; }
constexpr Token I32(std::string_view name) { return {Tok::I32, 0, name}; }
constexpr Token Rec(const Record& record) { return {Tok::Rec, 0, {}, 1, &record}; }

// Shared property records. A B before an N is, as a rule, the switch that enables that N.
constexpr Token kLineTokens[] = {B(), B(), N(), Ns(8), R(8), R(32), B(), N(), N(), B(), N(),
                                 N(), B(), N(), B(), N(), B(), N(), N()};
// N2/N3: the texts shown for true and false; the last B/N pair: the enabling condition.
constexpr Token kTextTokens[] = {B(), B(), N(), N("trueText"), N("falseText"), Ns(6), Ns(8),
                                 R(8), R(32), B(), N(), B(), N(), B(), N(), B("enable"),
                                 N("enableCondition")};
constexpr Token kBitmapTokens[] = {B(), B(), N(), Ns(8), Ns(8), R(8), B(), N(), B(), N(), B(),
                                   N(), B(), N(), B(), N(), N()};
constexpr Token kValueTokens[] = {N(), B(), N(), N(), B(), N(), B(), N()};
// The bound variable (second token), then its minimum and maximum.
constexpr Token kEditTokens[] = {B(), N("variable"), B(), N("minimum"), N("maximum"), B(), N(),
                                 B(), B(), B(), N(), B(), N(), B(), N()};
constexpr Token kListTokens[] = {B(), N(), B(), N(), B(), N(), B(), N(), B(), N(), B(), N()};
constexpr Token kCaseTokens[] = {N(), B(), N()};
constexpr Token kTrackTokens[] = {N(), B(), N()};
// The program unit the button starts, the action mode ("Pulse"), the key ("F1"), and the glyph
// name, glyph position and caption again.
constexpr Token kButtonTokens[] = {N("unit"), B(), N("actionMode"), B(), B(), B(), N(), B(), N(),
                                   B(), N("key"), B(), B(), N(), N("glyphName"),
                                   N("glyphPosition"), N("caption")};
constexpr Token kTrendTokens[] = {B(), B(), B(), N(), B(), N(), B(), N(), B(), N(), N(), Ns(8),
                                  R(32), B(), N(), B(), N(), N(), N()};
constexpr Token kDdeTokens[] = {N(), N(), N(), N(), B(), B(), N(), N()};
constexpr Token kMenuTokens[] = {Ns(24)};
constexpr Token kFormulaTokens[] = {N(), N(), N()};

constexpr Record kLine{"line", kLineTokens};
constexpr Record kText{"text", kTextTokens};
constexpr Record kBitmap{"bitmap", kBitmapTokens};
constexpr Record kValue{"value", kValueTokens};
constexpr Record kEdit{"edit", kEditTokens};
constexpr Record kList{"list", kListTokens};
constexpr Record kCase{"case", kCaseTokens};
constexpr Record kTrack{"track", kTrackTokens};
constexpr Record kButton{"button", kButtonTokens};
constexpr Record kTrend{"trend", kTrendTokens};
constexpr Record kDde{"dde", kDdeTokens};
constexpr Record kMenu{"menu", kMenuTokens};
constexpr Record kFormula{"formula", kFormulaTokens};

// Class layouts. The last S of most classes is the object's hint text.
constexpr Token kLineClass[] = {Rec(kLine), S("hint")};
constexpr Token kPolyClass[] = {Rec(kLine), S("hint"), I32("rotationCentreX"),
                                I32("rotationCentreY")};
constexpr Token kValueClass[] = {Rec(kValue), S("hint")};
constexpr Token kTextClass[] = {Rec(kText), S("hint")};
constexpr Token kBitmapClass[] = {Rec(kBitmap), S("hint")};
constexpr Token kEditClass[] = {Rec(kEdit), S("hint")};
constexpr Token kListClass[] = {Rec(kList), S("hint")};
constexpr Token kCaseClass[] = {Rec(kCase), S("hint")};
constexpr Token kButtonClass[] = {S("glyphName"), S("caption"), F(6, "glyphPosition"), B(),
                                  Rec(kButton), S("hint")};
constexpr Token kXButtonClass[] = {S("glyphName"), S("caption"), Rec(kButton), S("hint")};
constexpr Token kUpDownClass[] = {S("orientation"), I16("maximum"), I16("minimum"),
                                  S("buttonSide"), I32("increment"), Rec(kCase), S("hint")};
constexpr Token kTrackBarClass[] = {Rec(kTrack), S("hint")};
constexpr Token kSTrackBarClass[] = {R(4), R(2), R(2), R(5), R(4), R(4), R(4)};
constexpr Token kSliderClass[] = {B(),  R(8),     R(8), R(4), B(),     R(4),        R(4),
                                  B(),  R(4),     R(4), Bs(4), Rs(5, 4), B(), Rs(5, 4),
                                  Rec(kTrack), S("hint")};
constexpr Token kKnobClass[] = {R(8),     R(8),     R(4),        R(4),     B(), Rs(4, 4),
                                Bs(5),    Rs(8, 4), Rec(kTrack), S("hint")};
constexpr Token kTrendClass[] = {B(), R(8), R(8), Rs(5, 4), Rec(kTrend), S("hint")};
constexpr Token kShTrendClass[] = {S("hint"), {Tok::Settings, 1251, "settings"}};
constexpr Token kGrilleClass[] = {S("hint"), {Tok::ColCount, 0, "columnCount"}, R(4),
                                  {Tok::ColList, 4, "columns"}, R(4), R(4), Bs(4), R(4), R(4)};
constexpr Token kAxisClass[] = {S("hint"), R(10), R(10), B(), Rs(6, 4)};
constexpr Token kAlarmClass[] = {S("hint")};
constexpr Token kGAlarmClass[] = {S("hint"),         S("columnCaption1"), S("columnCaption2"),
                                  S("columnCaption3"), S("columnCaption4"), S("columnCaption5"),
                                  S("filter1"),      S("filter2"),        R(20)};
constexpr Token kDdeClass[] = {Rec(kDde)};
constexpr Token kMenuClass[] = {Rec(kMenu)};
constexpr Token kFormulaClass[] = {Rec(kFormula)};
// The tab style and a second page count follow only when the first page count is 0.
constexpr Token kPageControlClass[] = {B("tabsOnTop"), {Tok::TabStyle, 0, "tabStyle"},
                                       {Tok::Captions, 0, "pageCaptions"}, B("multiLineTabs"),
                                       B("tabsScrollOpposite")};
constexpr Token kListViewClass[] = {B(), B(), L("items"), R(16)};
constexpr Token kPopUpClass[] = {S(), L("menuLines")};
constexpr Token kSoutClass[] = {L("lines"), B()};
constexpr Token kOneByteClass[] = {B()};
constexpr Token kSplitterClass[] = {R(4), B()};

constexpr std::array kClasses{
    ClassDef{"TCLigne", kLineClass},        ClassDef{"TCRect", kLineClass},
    ClassDef{"TCRound", kLineClass},        ClassDef{"TCCircle", kLineClass},
    ClassDef{"TCEllipse", kLineClass},      ClassDef{"TCArc", kLineClass},
    ClassDef{"TCFRAME", kLineClass},        ClassDef{"TCSHADE", kLineClass},
    ClassDef{"TCSUPP", kLineClass},         ClassDef{"TCPolyLine", kPolyClass},
    ClassDef{"TCPolygone", kPolyClass},     ClassDef{"TCVALUE", kValueClass},
    ClassDef{"TCBARV", kValueClass},        ClassDef{"TCBARH", kValueClass},
    ClassDef{"TCTexte", kTextClass},        ClassDef{"TCGROUP", kTextClass},
    ClassDef{"TCBitmap", kBitmapClass},     ClassDef{"TCEdit", kEditClass},
    ClassDef{"TCListbox", kListClass},      ClassDef{"TCCOMBO", kListClass},
    ClassDef{"TCCASE", kCaseClass},         ClassDef{"TCRADIO", kCaseClass},
    ClassDef{"TCBUTTON", kButtonClass},     ClassDef{"TCXButton", kXButtonClass},
    ClassDef{"TCUPDOWN", kUpDownClass},     ClassDef{"TCTRACKBAR", kTrackBarClass},
    ClassDef{"STrackBar", kSTrackBarClass}, ClassDef{"TSLIDER", kSliderClass},
    ClassDef{"TKNOB", kKnobClass},          ClassDef{"TCTREND", kTrendClass},
    ClassDef{"TCShTrend", kShTrendClass},   ClassDef{"TCGrille", kGrilleClass},
    ClassDef{"TCAxis", kAxisClass},         ClassDef{"TCALARM", kAlarmClass},
    ClassDef{"TCGALARM", kGAlarmClass},     ClassDef{"TCDDE", kDdeClass},
    ClassDef{"TCMENU", kMenuClass},         ClassDef{"TCFormule", kFormulaClass},
    ClassDef{"TCGFORMULE", kFormulaClass},  ClassDef{"PageControl", kPageControlClass},
    ClassDef{"ListView", kListViewClass},   ClassDef{"MPopUp", kPopUpClass},
    ClassDef{"Sout", kSoutClass},           ClassDef{"DateTimePicker", kOneByteClass},
    ClassDef{"RichEdit", kOneByteClass},    ClassDef{"CoolBar", kOneByteClass},
    ClassDef{"Splitter", kSplitterClass},   ClassDef{"CheckListBox", {}},
};

FieldType TypeOf(Tok tok) {
    switch (tok) {
    case Tok::B: return FieldType::Byte;
    case Tok::N: return FieldType::Name;
    case Tok::R: return FieldType::Raw;
    case Tok::S: return FieldType::String256;
    case Tok::F: return FieldType::FixedString;
    case Tok::L: return FieldType::List;
    case Tok::I16: return FieldType::Int16;
    case Tok::I32: return FieldType::Int32;
    case Tok::TabStyle: return FieldType::PageTabStyle;
    case Tok::Captions: return FieldType::PageCaptions;
    case Tok::ColCount: return FieldType::ColumnCount;
    case Tok::ColList: return FieldType::ColumnList;
    case Tok::Settings: return FieldType::SettingsBlock;
    case Tok::Rec: break;
    }
    return FieldType::Byte;
}

// The letter unnamed tokens are numbered under: b1, n1, r1, s1, l1.
char LetterOf(Tok tok) {
    switch (tok) {
    case Tok::B: return 'b';
    case Tok::N: return 'n';
    case Tok::R: return 'r';
    case Tok::S: return 's';
    case Tok::L: return 'l';
    default: return 'x';
    }
}

void Expand(std::span<const Token> tokens, std::string_view prefix, std::vector<FieldSpec>& out) {
    std::array<int, 128> counts{};
    for (const Token& token : tokens) {
        if (token.tok == Tok::Rec) {
            Expand(token.record->tokens, token.record->prefix, out);
            continue;
        }
        for (int i = 0; i < token.repeat; ++i) {
            char letter = LetterOf(token.tok);
            int number = ++counts[static_cast<unsigned char>(letter)];
            std::string name = token.name.empty() ? std::string(1, letter) + std::to_string(number)
                                                  : std::string(token.name);
            if (!prefix.empty())
                name = std::string(prefix) + "." + name;
            out.push_back(FieldSpec{std::move(name), TypeOf(token.tok), token.size});
        }
    }
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

int ClassLayout::FieldIndex(std::string_view fieldName) const {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == fieldName)
            return static_cast<int>(i);
    return -1;
}

const std::vector<ClassLayout>& ClassLayouts() {
    static const std::vector<ClassLayout> s_layouts = [] {
        std::vector<ClassLayout> layouts;
        layouts.reserve(kClasses.size());
        for (const ClassDef& def : kClasses) {
            ClassLayout layout{def.name, {}};
            Expand(def.tokens, {}, layout.fields);
            layouts.push_back(std::move(layout));
        }
        return layouts;
    }();
    return s_layouts;
}

const ClassLayout* FindClassLayout(std::string_view fileClassName) {
    if (fileClassName.empty() || fileClassName.size() > kClassNameLength)
        return nullptr;
    for (const ClassLayout& layout : ClassLayouts())
        if (SameNameIgnoringCase(layout.name.substr(0, kClassNameLength), fileClassName))
            return &layout;
    return nullptr;
}

const FieldValue* ClassData::Find(std::string_view fieldName) const {
    if (layout == nullptr)
        return nullptr;
    int index = layout->FieldIndex(fieldName);
    if (index < 0 || static_cast<std::size_t>(index) >= values.size())
        return nullptr;
    return &values[static_cast<std::size_t>(index)];
}

FieldValue* ClassData::Find(std::string_view fieldName) {
    return const_cast<FieldValue*>(std::as_const(*this).Find(fieldName));
}

} // namespace screens
