// Quorva run-time. Licensed under the MIT licence.
#include "screens/GaugeClasses.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include <QBoxLayout>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSlider>
#include <QToolButton>

#include "screens/ClassFields.h"
#include "screens/ClassLayouts.h"
#include "screens/FBase.h"
#include "screens/Figure.h"
#include "screens/GaugeWidgets.h"
#include "screens/PlaceholderControl.h"
#include "screens/ScreenGlobals.h"
#include "screens/WindowsColour.h"

namespace screens {
namespace {

// The one-line text control of a windowed figure (an edit field, an editable combo box), or
// null for drawn figures and other controls.
QLineEdit* LineEditOf(Figure& figure)
{
    if (dynamic_cast<FBase*>(&figure) != nullptr)
        return nullptr;
    QWidget& widget = figure.Widget();
    if (auto* edit = qobject_cast<QLineEdit*>(&widget))
        return edit;
    if (auto* combo = qobject_cast<QComboBox*>(&widget))
        return combo->lineEdit();
    return nullptr;
}

// The first figure of `figure`'s link chain, in either direction, that has a one-line text.
Figure* ChainedEdit(Figure& figure)
{
    for (Figure* next = figure.LinkNext(); next != nullptr && next != &figure;
         next = next->LinkNext())
        if (LineEditOf(*next) != nullptr)
            return next;
    for (Figure* previous = figure.LinkPrevious(); previous != nullptr && previous != &figure;
         previous = previous->LinkPrevious())
        if (LineEditOf(*previous) != nullptr)
            return previous;
    return nullptr;
}

// The text read as a decimal number (blanks around it allowed); empty when it is none.
std::optional<double> NumberOfText(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::int64_t RoundToInteger(double value)
{
    constexpr double kLimit = 9.0e15;
    return static_cast<std::int64_t>(std::llround(std::clamp(value, -kLimit, kLimit)));
}

// The up-down's arrows step the edit when it has the focus and Up or Down is pressed.
class ArrowKeys : public QObject {
public:
    ArrowKeys(QObject& edit, TCUpDown& spin) : QObject(&edit), m_spin(spin) {}

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Up && key != Qt::Key_Down)
            return false;
        m_spin.Step(key == Qt::Key_Up ? 1 : -1);
        return true;
    }

private:
    TCUpDown& m_spin;
};

} // namespace

std::optional<double> RawReal(std::string_view bytes)
{
    if (bytes.size() != 8)
        return std::nullopt;
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < 8; ++i)
        bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return std::bit_cast<double>(bits);
}

std::int32_t RawInteger(std::string_view bytes, std::size_t offset, std::size_t size)
{
    if (size == 0 || size > 4 || offset > bytes.size() || bytes.size() - offset < size)
        return 0;
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < size; ++i)
        bits |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i]))
                << (8 * i);
    if (size < 4 && (bits & (1u << (8 * size - 1))) != 0)
        bits |= ~((1u << (8 * size)) - 1); // sign extension
    return static_cast<std::int32_t>(bits);
}

// --- TCUpDown ---

TCUpDown::TCUpDown() : Component("TCUPDOWN", 145) {}

TCUpDown::~TCUpDown()
{
    delete m_keyFilter.data();
    delete m_control.data();
}

void TCUpDown::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_horizontal = SameNameIgnoringCase(TextField(data, "orientation"), "Hor");
    m_buttonsOnLeft = SameNameIgnoringCase(TextField(data, "buttonSide"), "Left");
    m_minimum = static_cast<int>(NumberField(data, "minimum"));
    m_maximum = static_cast<int>(NumberField(data, "maximum"));
    m_increment = static_cast<std::int32_t>(NumberField(data, "increment", 1));
    m_variable = TextField(data, "case.n1");
    m_position = static_cast<int>(Clamp(0));
    ApplyHintField(data);
}

std::int64_t TCUpDown::Clamp(std::int64_t value) const
{
    // Limits given the wrong way round still make a range.
    const std::int64_t low = std::min(m_minimum, m_maximum);
    const std::int64_t high = std::max(m_minimum, m_maximum);
    return std::clamp(value, low, high);
}

Figure* TCUpDown::AttachedEdit() const
{
    return FigureOf(m_edit.data());
}

void TCUpDown::Run()
{
    Figure* placeholder = CurrentFigure();
    if (placeholder == nullptr)
        return;
    if (!m_built) {
        m_built = true;
        Build(*placeholder);
    }
    Figure* edit = ChainedEdit(*placeholder);
    if (edit == nullptr)
        return;
    if (&edit->Widget() != m_edit.data())
        Attach(*edit);
    CurrentScope keep;
    SetCurrentFigure(edit);
    FollowEdit(*edit);
}

void TCUpDown::Build(Figure& placeholder)
{
    QWidget& old = placeholder.Widget();
    m_placeholder = &old;
    if (m_horizontal)
        old.resize(old.height(), old.width());

    auto* control = new QWidget;
    auto* layout = new QBoxLayout(m_horizontal ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom,
                                  control);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* down = new QToolButton(control);
    auto* up = new QToolButton(control);
    down->setArrowType(m_horizontal ? Qt::LeftArrow : Qt::DownArrow);
    up->setArrowType(m_horizontal ? Qt::RightArrow : Qt::UpArrow);
    for (QToolButton* button : {up, down}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    // Vertical: up above down; horizontal: decreasing on the left.
    if (m_horizontal) {
        layout->addWidget(down);
        layout->addWidget(up);
    } else {
        layout->addWidget(up);
        layout->addWidget(down);
    }
    QObject::connect(up, &QToolButton::clicked, control, [this] { Step(1); });
    QObject::connect(down, &QToolButton::clicked, control, [this] { Step(-1); });
    FillPlaceholder(old, *control);
    m_control = control;
}

void TCUpDown::Attach(Figure& edit)
{
    delete m_keyFilter.data();
    m_edit = &edit.Widget();
    // The arrows sit against the edit's chosen side, as high as the edit.
    if (m_placeholder != nullptr && !m_horizontal) {
        const QRect field = m_edit->geometry();
        const int width = m_placeholder->width();
        const int left = m_buttonsOnLeft ? field.left() - width : field.right() + 1;
        if (m_placeholder->parentWidget() == m_edit->parentWidget())
            m_placeholder->setGeometry(left, field.top(), width, field.height());
    }
    if (QLineEdit* line = LineEditOf(edit)) {
        auto* filter = new ArrowKeys(*line, *this);
        line->installEventFilter(filter);
        m_keyFilter = filter;
    }
}

void TCUpDown::FollowEdit(Figure& edit)
{
    QLineEdit* line = LineEditOf(edit);
    if (line == nullptr)
        return;
    const std::optional<double> value = NumberOfText(line->text());
    if (!value)
        return;
    const std::int64_t rounded = RoundToInteger(*value);
    const std::int64_t clamped = Clamp(rounded);
    m_position = static_cast<int>(clamped);
    if (clamped != rounded && !line->hasFocus())
        edit.SetText(std::to_string(clamped));
}

void TCUpDown::WriteEdit(std::int64_t value)
{
    Figure* edit = AttachedEdit();
    if (edit == nullptr)
        return;
    CurrentScope keep;
    SetCurrentFigure(edit);
    edit->SetText(std::to_string(value));
}

void TCUpDown::SetPosition(std::int64_t position)
{
    m_position = static_cast<int>(Clamp(position));
    WriteEdit(m_position);
}

void TCUpDown::Step(int steps)
{
    std::int64_t base = m_position;
    if (Figure* edit = AttachedEdit())
        if (QLineEdit* line = LineEditOf(*edit))
            if (const std::optional<double> value = NumberOfText(line->text()))
                base = Clamp(RoundToInteger(*value));
    const std::int64_t increment = m_increment == 0 ? 1 : m_increment;
    SetPosition(base + increment * steps);
}

// --- GaugeBinding ---

GaugeBinding::~GaugeBinding()
{
    delete m_control.data();
}

void GaugeBinding::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_data = data != nullptr ? *data : ClassData{};
    m_variable = TextField(data, "track.n1");
    DecodeData(m_data);
    m_value = Clamp(m_value);
    ApplyHintField(data);
}

double GaugeBinding::Clamp(double value) const
{
    if (std::isnan(value))
        return m_minimum;
    value = std::clamp(value, m_minimum, m_maximum);
    return m_wholeNumbers ? std::round(value) : value;
}

double GaugeBinding::Value() const
{
    return m_value;
}

void GaugeBinding::Run()
{
    Figure* placeholder = CurrentFigure();
    if (placeholder == nullptr)
        return;
    if (!m_built) {
        m_built = true;
        m_showing = true;
        m_control = BuildControl(*placeholder);
        ShowRange();
        ShowValue(m_value);
        m_showing = false;
    }
    if (!m_resolved) {
        m_resolved = true;
        if (ScreenVariables* variables = Globals().variables; variables != nullptr &&
                                                              !m_variable.empty())
            m_binding = variables->Resolve(m_variable);
    }
    ScreenVariables* variables = Globals().variables;
    if (!m_binding || variables == nullptr)
        return;
    const double value = static_cast<double>(ReadNumber(*variables, *m_binding));
    if (m_lastShown && *m_lastShown == value)
        return;
    m_lastShown = value;
    m_value = Clamp(value);
    m_showing = true;
    ShowValue(m_value);
    m_showing = false;
}

void GaugeBinding::SetValue(double value)
{
    m_value = Clamp(value);
    if (m_control != nullptr) {
        m_showing = true;
        ShowValue(m_value);
        m_showing = false;
    }
    WriteVariable(m_value);
}

bool GaugeBinding::SetRange(double minimum, double maximum)
{
    if (!std::isfinite(minimum) || !std::isfinite(maximum) || maximum <= minimum)
        return false;
    m_minimum = minimum;
    m_maximum = maximum;
    m_value = Clamp(m_value);
    if (m_control != nullptr) {
        m_showing = true;
        ShowRange();
        ShowValue(m_value);
        m_showing = false;
    }
    return true;
}

bool GaugeBinding::TakeOperatorChange()
{
    return std::exchange(m_operatorChanged, false);
}

bool GaugeBinding::FollowChangedValue(double value)
{
    if (m_lastFollowed && *m_lastFollowed == value)
        return false;
    m_lastFollowed = value;
    m_value = Clamp(value);
    if (m_control != nullptr) {
        m_showing = true;
        ShowValue(m_value);
        m_showing = false;
    }
    return true;
}

void GaugeBinding::OperatorMoved(double value)
{
    if (m_showing)
        return;
    m_value = Clamp(value);
    m_operatorChanged = true;
    WriteVariable(m_value);
}

void GaugeBinding::WriteVariable(double value)
{
    ScreenVariables* variables = Globals().variables;
    if (!m_binding || variables == nullptr)
        return;
    // Whole-number variables take the rounded value; reals as many digits as they hold.
    std::string text;
    switch (m_binding->type) {
    case 3:
    case 4:
    case 7:
    case 20: text = std::to_string(RoundToInteger(value)); break;
    default: {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.15g", value);
        text = buffer;
    }
    }
    if (variables->SetText(m_variable, text))
        m_lastShown = static_cast<double>(ReadNumber(*variables, *m_binding));
}

// --- track bars ---

TrackBarBinding::TrackBarBinding(std::string_view registeredName)
    : GaugeBinding(registeredName, 145, true)
{
    m_minimum = 0;
    m_maximum = 10;
}

QSlider* TrackBarBinding::Slider() const
{
    return qobject_cast<QSlider*>(Control());
}

QWidget* TrackBarBinding::BuildControl(Figure& placeholder)
{
    QWidget& old = placeholder.Widget();
    const bool vertical = m_vertical.value_or(old.height() > old.width());
    auto* slider = new QSlider(vertical ? Qt::Vertical : Qt::Horizontal);
    slider->setTickInterval(std::max(1, m_tickInterval));
    switch (m_tickSide) {
    case -1: slider->setTickPosition(QSlider::NoTicks); break;
    case 1: slider->setTickPosition(QSlider::TicksAbove); break;
    case 2: slider->setTickPosition(QSlider::TicksBothSides); break;
    default: slider->setTickPosition(QSlider::TicksBelow); break;
    }
    slider->setPageStep(std::max(1, m_tickInterval));
    QObject::connect(slider, &QSlider::valueChanged, slider,
                     [this](int value) { OperatorMoved(value); });
    FillPlaceholder(old, *slider);
    return slider;
}

namespace {
int SliderInteger(double value)
{
    return static_cast<int>(std::clamp(std::round(value), -2.0e9, 2.0e9));
}
} // namespace

bool TrackBarBinding::ShowValue(double value)
{
    QSlider* slider = Slider();
    if (slider == nullptr || slider->value() == SliderInteger(value))
        return false;
    slider->setValue(SliderInteger(value));
    return true;
}

void TrackBarBinding::ShowRange()
{
    if (QSlider* slider = Slider())
        slider->setRange(SliderInteger(m_minimum), SliderInteger(m_maximum));
}

TCTrackBar::TCTrackBar() : TrackBarBinding("TCTRACKBAR") {}

STrackBar::STrackBar() : TrackBarBinding("STrackBar") {}

void STrackBar::DecodeData(const ClassData& data)
{
    const std::int32_t maximum = RawInteger(TextField(&data, "r1"), 0, 4);
    const std::int32_t minimum = RawInteger(TextField(&data, "r2"), 0, 2);
    if (maximum > minimum) {
        m_minimum = minimum;
        m_maximum = maximum;
    }
    const std::int32_t frequency = RawInteger(TextField(&data, "r3"), 0, 2);
    m_tickInterval = frequency > 0 ? frequency : 1;
    const std::string flags = TextField(&data, "r4");
    if (flags.size() >= 3) {
        m_vertical = flags[0] == 1;
        const int marks = static_cast<unsigned char>(flags[1]);
        m_tickSide = flags[2] == 0 ? -1 : (marks <= 2 ? marks : 0);
    }
    m_value = RawInteger(TextField(&data, "r5"), 0, 4);
}

// --- slider and knob ---

DrawnGaugeBinding::DrawnGaugeBinding(std::string_view registeredName, bool knob)
    : GaugeBinding(registeredName, 145, false), m_knob(knob)
{
}

GaugeWidget* DrawnGaugeBinding::Gauge() const
{
    return dynamic_cast<GaugeWidget*>(Control());
}

void DrawnGaugeBinding::DecodeData(const ClassData& data)
{
    const std::optional<double> minimum = RawReal(TextField(&data, "r1"));
    const std::optional<double> maximum = RawReal(TextField(&data, "r2"));
    if (minimum && maximum && std::isfinite(*minimum) && std::isfinite(*maximum) &&
        *maximum > *minimum) {
        m_minimum = *minimum;
        m_maximum = *maximum;
    }
}

QWidget* DrawnGaugeBinding::BuildControl(Figure& placeholder)
{
    auto* gauge = new GaugeWidget(m_knob ? GaugeWidget::Style::Knob : GaugeWidget::Style::Slider);
    const FigureProperties& look = placeholder.Properties();
    QColor value = WindowsColour(look.foreColour);
    const QColor background = WindowsColour(look.backColour);
    if (value == background)
        value = QColor(0x00, 0x78, 0xD7);
    gauge->SetColours(background, value, QColor(0x40, 0x40, 0x40));
    gauge->SetChangeHandler([this](double moved) { OperatorMoved(moved); });
    FillPlaceholder(placeholder.Widget(), *gauge);
    return gauge;
}

bool DrawnGaugeBinding::ShowValue(double value)
{
    GaugeWidget* gauge = Gauge();
    return gauge != nullptr && gauge->SetValue(value);
}

void DrawnGaugeBinding::ShowRange()
{
    if (GaugeWidget* gauge = Gauge())
        gauge->SetRange(m_minimum, m_maximum);
}

} // namespace screens
