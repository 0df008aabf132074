// Quorva run-time. Licensed under the MIT licence.
#include "screens/NativeClasses.h"

#include <algorithm>
#include <limits>

#include <QDateTimeEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTextEdit>
#include <QToolBar>

#include "platform/CodePage.h"
#include "screens/ClassFields.h"
#include "screens/FBase.h"
#include "screens/Figure.h"
#include "screens/PlaceholderControl.h"
#include "screens/ScreenGlobals.h"

namespace screens {
namespace {

std::uint8_t ByteField(const ClassData* data, std::string_view name)
{
    return static_cast<std::uint8_t>(NumberField(data, name));
}

QString ShownText(const std::string& raw)
{
    return QString::fromStdString(platform::CodePageToUtf8(DisplayText(raw)));
}

// Sets a figure's bounds the way its class keeps them.
void SetFigureBounds(QWidget& widget, QRect bounds)
{
    if (auto* drawn = dynamic_cast<FBase*>(&widget))
        drawn->SetBounds(bounds);
    else
        widget.setGeometry(bounds);
}

// The splitter's handle: it turns mouse drags into Splitter::Drag.
class SplitterHandle : public QWidget {
public:
    SplitterHandle(Splitter& splitter, bool vertical, bool bevelled)
        : m_splitter(splitter), m_vertical(vertical), m_bevelled(bevelled)
    {
        setCursor(vertical ? Qt::SplitHCursor : Qt::SplitVCursor);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().button());
        if (!m_bevelled)
            return;
        painter.setPen(palette().light().color());
        painter.drawLine(0, 0, width() - 1, 0);
        painter.drawLine(0, 0, 0, height() - 1);
        painter.setPen(palette().dark().color());
        painter.drawLine(width() - 1, 0, width() - 1, height() - 1);
        painter.drawLine(0, height() - 1, width() - 1, height() - 1);
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_grab = Across(event->globalPosition().toPoint());
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if ((event->buttons() & Qt::LeftButton) == 0)
            return;
        const int at = Across(event->globalPosition().toPoint());
        m_grab += m_splitter.Drag(at - m_grab);
    }

private:
    int Across(QPoint global) const { return m_vertical ? global.x() : global.y(); }

    Splitter& m_splitter;
    bool m_vertical;
    bool m_bevelled;
    int m_grab = 0;
};

// Shows the pop-up menu when the right button is pressed on a watched figure.
class RightClickWatcher : public QObject {
public:
    explicit RightClickWatcher(MPopUp& popUp) : m_popUp(popUp) {}

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress)
            return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::RightButton || m_popUp.Menu() == nullptr)
            return false;
        m_popUp.Menu()->popup(mouse->globalPosition().toPoint());
        return false; // the press is still the figure's (and the cycle's input)
    }

private:
    MPopUp& m_popUp;
};

} // namespace

// --- one-byte controls ---

OneByteControl::~OneByteControl()
{
    delete m_control.data();
}

void OneByteControl::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_setting = ByteField(data, "b1");
}

void OneByteControl::Run()
{
    Figure* placeholder = PlaceholderOnFirstRun(m_built);
    if (placeholder == nullptr)
        return;
    m_control = Build(*placeholder);
}

QTextEdit* RichEdit::Editor() const
{
    return qobject_cast<QTextEdit*>(Control());
}

QWidget* RichEdit::Build(Figure& placeholder)
{
    auto* editor = new QTextEdit;
    editor->setAcceptRichText(true);
    FillPlaceholder(placeholder.Widget(), *editor);
    return editor;
}

QToolBar* CoolBar::Strip() const
{
    return qobject_cast<QToolBar*>(Control());
}

QWidget* CoolBar::Build(Figure& placeholder)
{
    auto* strip = new QToolBar;
    strip->setMovable(false);
    strip->setFocusPolicy(Qt::NoFocus);
    FillPlaceholder(placeholder.Widget(), *strip);
    // Under the figures that sit on the bar.
    strip->lower();
    return strip;
}

QDateTimeEdit* DateTimePicker::Picker() const
{
    return qobject_cast<QDateTimeEdit*>(Control());
}

QWidget* DateTimePicker::Build(Figure& placeholder)
{
    auto* picker = new QDateTimeEdit(QDateTime::currentDateTime());
    if (ShowsTime()) {
        picker->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    } else {
        picker->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        picker->setCalendarPopup(true);
    }
    FillPlaceholder(placeholder.Widget(), *picker);
    return picker;
}

// --- Splitter ---

Splitter::Splitter() : Component("Splitter", 101) {}

Splitter::~Splitter()
{
    delete m_handle.data();
}

void Splitter::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_settings = TextField(data, "r1");
    m_setting = ByteField(data, "b1");
    std::int32_t minimum = 0;
    if (m_settings.size() == 4)
        for (int i = 3; i >= 0; --i)
            minimum = static_cast<std::int32_t>(
                (static_cast<std::uint32_t>(minimum) << 8) |
                static_cast<unsigned char>(m_settings[static_cast<std::size_t>(i)]));
    m_minimumSize = minimum >= 1 && minimum <= 10000 ? minimum : 30;
}

bool Splitter::Vertical() const
{
    return m_placeholder != nullptr && m_placeholder->height() > m_placeholder->width();
}

void Splitter::Run()
{
    Figure* placeholder = PlaceholderOnFirstRun(m_built);
    if (placeholder == nullptr)
        return;
    QWidget& widget = placeholder->Widget();
    m_placeholder = &widget;
    auto* handle = new SplitterHandle(*this, Vertical(), m_setting != 0);
    FillPlaceholder(widget, *handle);
    m_handle = handle;
}

int Splitter::Drag(int delta)
{
    QWidget* bar = m_placeholder.data();
    if (bar == nullptr || bar->parentWidget() == nullptr || delta == 0)
        return 0;
    const bool vertical = Vertical();
    const QRect barRect = bar->geometry();
    const int barStart = vertical ? barRect.left() : barRect.top();
    const int barEnd = vertical ? barRect.right() + 1 : barRect.bottom() + 1;
    constexpr int kTouch = 2;

    struct Neighbour {
        QWidget* widget;
        bool before;
    };
    std::vector<Neighbour> neighbours;
    int room = std::numeric_limits<int>::max();  // how far the bar may move forward
    int back = std::numeric_limits<int>::max();  // and backward
    for (QObject* child : bar->parentWidget()->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget == nullptr || widget == bar || FigureOf(widget) == nullptr || widget->isHidden())
            continue;
        const QRect r = widget->geometry();
        const bool overlaps = vertical
                                  ? r.top() <= barRect.bottom() && r.bottom() >= barRect.top()
                                  : r.left() <= barRect.right() && r.right() >= barRect.left();
        if (!overlaps)
            continue;
        const int start = vertical ? r.left() : r.top();
        const int end = vertical ? r.right() + 1 : r.bottom() + 1;
        const int size = end - start;
        if (std::abs(end - barStart) <= kTouch) {
            neighbours.push_back({widget, true});
            back = std::min(back, std::max(0, size - m_minimumSize));
        } else if (std::abs(start - barEnd) <= kTouch) {
            neighbours.push_back({widget, false});
            room = std::min(room, std::max(0, size - m_minimumSize));
        }
    }
    delta = std::clamp(delta, -back, room);
    if (delta == 0)
        return 0;
    for (const Neighbour& neighbour : neighbours) {
        QRect r = neighbour.widget->geometry();
        if (neighbour.before)
            vertical ? r.setRight(r.right() + delta) : r.setBottom(r.bottom() + delta);
        else
            vertical ? r.setLeft(r.left() + delta) : r.setTop(r.top() + delta);
        SetFigureBounds(*neighbour.widget, r);
    }
    SetFigureBounds(*bar, barRect.translated(vertical ? delta : 0, vertical ? 0 : delta));
    return delta;
}

// --- MPopUp ---

MPopUp::MPopUp() : Component("MPopUp", 133) {}

MPopUp::~MPopUp()
{
    for (const QPointer<QWidget>& widget : m_watched)
        if (widget != nullptr && m_watcher != nullptr)
            widget->removeEventFilter(m_watcher.data());
    delete m_watcher.data();
    delete m_menu.data();
}

void MPopUp::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_text = TextField(data, "s1");
    m_menuLines = ItemsField(data, "menuLines");
}

QMenu* MPopUp::Menu() const
{
    return m_menu.data();
}

void MPopUp::Run()
{
    Figure* figure = CurrentFigure();
    if (figure == nullptr)
        return;
    if (m_menu == nullptr && m_watcher == nullptr) {
        auto* menu = new QMenu;
        for (std::size_t i = 0; i < m_menuLines.size(); ++i) {
            if (m_menuLines[i] == "-") {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(ShownText(m_menuLines[i]));
            const auto number = static_cast<std::int16_t>(
                std::min<std::size_t>(i + 1, std::numeric_limits<std::int16_t>::max()));
            QObject::connect(action, &QAction::triggered, menu, [action, number] {
                Globals().menu.Choose(platform::Utf8ToCodePage(action->text().toStdString()),
                                      number);
            });
        }
        m_menu = menu;
        m_watcher = new RightClickWatcher(*this);
    }
    // The figure itself, then every figure of its link chain (the chain is made once the whole
    // screen has loaded, so later Runs pick it up).
    Watch(figure->Widget());
    for (Figure* next = figure->LinkNext(); next != nullptr && next != figure;
         next = next->LinkNext())
        Watch(next->Widget());
    for (Figure* previous = figure->LinkPrevious(); previous != nullptr && previous != figure;
         previous = previous->LinkPrevious())
        Watch(previous->Widget());
}

void MPopUp::Watch(QWidget& widget)
{
    for (const QPointer<QWidget>& watched : m_watched)
        if (watched == &widget)
            return;
    widget.installEventFilter(m_watcher.data());
    m_watched.emplace_back(&widget);
}

} // namespace screens
