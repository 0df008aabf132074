// Quorva run-time. Licensed under the MIT licence.
#include "screens/ControlClasses.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include <QAbstractButton>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "platform/CodePage.h"
#include "screens/ClassFields.h"
#include "screens/ClassLayouts.h"
#include "screens/Figure.h"
#include "screens/ScreenGlobals.h"

namespace screens {
namespace {

constexpr std::uint8_t kBoolean = 3;
constexpr std::uint8_t kInteger = 4;
constexpr std::uint8_t kReal = 5;
constexpr std::uint8_t kByte = 7;
constexpr std::uint8_t kString = 9;
constexpr std::uint8_t kWord = 20;
constexpr std::uint8_t kSingle = 24;

bool IsNumberType(std::uint8_t type)
{
    return type == kInteger || type == kReal || type == kByte || type == kWord || type == kSingle;
}

bool IsWholeType(std::uint8_t type)
{
    return type == kInteger || type == kByte || type == kWord;
}

std::string Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

// A decimal number as an operator types it: blanks around allowed, "." or "," as the separator.
std::optional<long double> ParseNumber(std::string_view text)
{
    std::string value = Trimmed(text);
    if (value.empty())
        return std::nullopt;
    for (char& c : value)
        if (c == ',')
            c = '.';
    char* end = nullptr;
    const long double number = std::strtold(value.c_str(), &end);
    if (end == value.c_str() || *end != '\0' || !std::isfinite(number))
        return std::nullopt;
    return number;
}

std::string FormatNumber(long double value, std::uint8_t type, int decimals)
{
    char text[64];
    if (IsWholeType(type))
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    else if (decimals > 0)
        std::snprintf(text, sizeof text, "%.*Lf", decimals > 18 ? 18 : decimals, value);
    else
        std::snprintf(text, sizeof text, "%.*Lg", type == kSingle ? 7 : 15, value);
    return text;
}

bool SameNumber(long double a, long double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

} // namespace

QAbstractButton* CheckControlOf(Figure& figure)
{
    return dynamic_cast<QAbstractButton*>(&figure.Widget());
}

// --- TCEdit ---

TCEdit::TCEdit() : Component("TCEdit", 114) {}

TCEdit::~TCEdit()
{
    QObject::disconnect(m_entryConnection);
}

void TCEdit::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_variable = TextField(data, "edit.variable");
    m_minimum = TextField(data, "edit.minimum");
    m_maximum = TextField(data, "edit.maximum");
    ApplyHintField(data);
}

void TCEdit::Run()
{
    Figure* figure = CurrentFigure();
    if (figure == nullptr)
        return;
    if (!m_resolved)
        Resolve(*figure);
    Show(*figure, false);
}

void TCEdit::Resolve(Figure& figure)
{
    m_resolved = true;
    if (ScreenVariables* variables = Globals().variables; variables != nullptr && !m_variable.empty())
        m_binding = variables->Resolve(Trimmed(m_variable));
    m_control = &figure.Widget();
    if (auto* line = dynamic_cast<QLineEdit*>(&figure.Widget())) {
        // Return, or leaving the field, finishes an entry; an untouched field has none.
        m_entryConnection = QObject::connect(line, &QLineEdit::editingFinished, line, [this, line] {
            if (line->isModified())
                Commit(platform::Utf8ToCodePage(line->text().toStdString()));
        });
    }
}

void TCEdit::Show(Figure& figure, bool force)
{
    QWidget& widget = figure.Widget();
    auto* line = dynamic_cast<QLineEdit*>(&widget);
    auto* memo = dynamic_cast<QPlainTextEdit*>(&widget);
    if (line == nullptr && memo == nullptr)
        return;
    // An operator who is typing keeps the field; the value shows once the entry is done.
    const bool typing = widget.hasFocus() &&
                        (line != nullptr ? line->isModified() : memo->document()->isModified());
    if (typing && !force)
        return;

    std::string text;
    ScreenVariables* variables = Globals().variables;
    if (!m_binding || variables == nullptr) {
        if (m_shown && !force)
            return;
        text = "0";
    } else if (IsNumberType(m_binding->type)) {
        const long double value = ReadNumber(*variables, *m_binding);
        if (m_shown && !force && SameNumber(value, m_shownNumber))
            return;
        m_shownNumber = value;
        text = FormatNumber(value, m_binding->type, figure.Properties().decimals);
    } else if (m_binding->type == kString) {
        text = variables->ReadShortString(m_binding->address);
    } else if (m_binding->type == kBoolean) {
        text = variables->ReadByte(m_binding->address) != 0 ? "True" : "False";
    } else {
        text = variables->Text(Trimmed(m_variable)).value_or("0");
    }
    if (m_shown && !force && text == m_shownText)
        return;
    m_shown = true;
    m_shownText = text;
    ++m_writes;
    const QString shown = QString::fromStdString(platform::CodePageToUtf8(text));
    if (line != nullptr) {
        line->setText(shown); // also clears the modified flag
    } else {
        memo->setPlainText(shown);
        memo->document()->setModified(false);
    }
}

std::optional<long double> TCEdit::Limit(const std::string& text) const
{
    if (std::optional<long double> number = ParseNumber(text))
        return number;
    const std::string name = Trimmed(text);
    ScreenVariables* variables = Globals().variables;
    if (name.empty() || variables == nullptr)
        return std::nullopt;
    const std::optional<VariableBinding> binding = variables->Resolve(name);
    if (!binding || !IsNumberType(binding->type))
        return std::nullopt;
    return ReadNumber(*variables, *binding);
}

bool TCEdit::Accepts(std::string_view text, std::string& canonical) const
{
    const std::uint8_t type = m_binding->type;
    if (!IsNumberType(type)) {
        canonical = type == kString ? std::string(text.substr(0, 255)) : Trimmed(text);
        return true;
    }
    const std::optional<long double> number = ParseNumber(text);
    if (!number)
        return false;
    if (IsWholeType(type)) {
        if (*number != std::floor(*number))
            return false;
        const long double low = type == kInteger ? std::numeric_limits<std::int32_t>::min() : 0;
        const long double high = type == kInteger ? std::numeric_limits<std::int32_t>::max()
                                 : type == kWord  ? 65535
                                                  : 255;
        if (*number < low || *number > high)
            return false;
    } else if (type == kSingle && std::fabs(*number) > std::numeric_limits<float>::max()) {
        return false;
    }
    const std::optional<long double> minimum = Limit(m_minimum);
    const std::optional<long double> maximum = Limit(m_maximum);
    if ((minimum && *number < *minimum) || (maximum && *number > *maximum))
        return false;
    char buffer[64];
    if (IsWholeType(type))
        std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(*number));
    else
        std::snprintf(buffer, sizeof buffer, "%.18Lg", *number);
    canonical = buffer;
    return true;
}

bool TCEdit::Commit(std::string_view entry)
{
    ScreenVariables* variables = Globals().variables;
    bool taken = false;
    std::string canonical;
    if (m_binding && variables != nullptr && Accepts(entry, canonical))
        taken = variables->SetText(Trimmed(m_variable), canonical);
    // Taken or not, the field shows what the variable holds now.
    if (Figure* figure = FigureOf(m_control.data()))
        Show(*figure, true);
    return taken;
}

// --- TCCase, TCRadio ---

void CheckBinding::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_variable = TextField(data, "case.n1");
    ApplyHintField(data);
}

void CheckBinding::Run()
{
    Figure* figure = CurrentFigure();
    if (figure == nullptr)
        return;
    ScreenVariables* variables = Globals().variables;
    const bool first = !m_resolved;
    if (first) {
        m_resolved = true;
        if (variables != nullptr && !m_variable.empty())
            m_binding = variables->Resolve(Trimmed(m_variable));
    }
    if (!m_binding || variables == nullptr)
        return;
    const std::uint8_t byte = variables->ReadByte(m_binding->address);
    // The first Run shows the state the variable has: a box must not show "off" for a
    // variable that was on before the screen opened.
    if (!first && byte == m_lastByte)
        return;
    m_lastByte = byte;
    QAbstractButton* box = CheckControlOf(*figure);
    if (box == nullptr || box->isChecked() == (byte != 0))
        return;
    ++m_writes;
    box->setChecked(byte != 0);
}

} // namespace screens
