// Quorva run-time. Licensed under the MIT licence.
#include "screens/ButtonClasses.h"

#include <algorithm>
#include <set>

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QObject>
#include <QPainter>

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "screens/ClassFields.h"
#include "screens/FBase.h"
#include "screens/FigureKind.h"
#include "screens/FigureText.h"
#include "screens/PictureFiles.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/WindowsColour.h"

namespace screens {

// Routes the mouse events of a button figure to its object's press tracking; the figure's own
// handling of the events (down on press, up on release) is replaced by it.
class ButtonPressFilter : public QObject {
public:
    explicit ButtonPressFilter(ButtonBinding& owner) : m_owner(owner) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
            type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
            return false;
        auto* figure = dynamic_cast<FBase*>(qobject_cast<QWidget*>(watched));
        if (figure == nullptr)
            return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        const bool inside = figure->rect().contains(mouse->position().toPoint());
        const ScreenForm* form = FormOf(*figure);
        const bool ignored = !figure->isEnabled() || (form != nullptr && form->IsMarkedInactive());
        if (type == QEvent::MouseMove) {
            if (m_owner.Pressed())
                m_owner.Drag(*figure, inside);
            return false;
        }
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (!ignored) {
            if (type == QEvent::MouseButtonRelease) {
                if (m_owner.Pressed())
                    m_owner.Release(*figure, inside);
            } else {
                m_owner.Press(*figure);
            }
        }
        event->accept();
        return true;
    }

private:
    ButtonBinding& m_owner;
};

namespace {

bool IsButtonKind(std::uint8_t kind)
{
    return kind == static_cast<std::uint8_t>(FigureKind::Button) ||
           kind == static_cast<std::uint8_t>(FigureKind::XpButton);
}

// The colour of the bottom-left pixel becomes transparent.
QImage WithTransparentKey(const QImage& picture)
{
    QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull() || image.height() == 0 || image.width() == 0)
        return image;
    const QRgb key = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (line[x] == key)
                line[x] = qRgba(0, 0, 0, 0);
    }
    return image;
}

QImage Greyed(const QImage& glyph)
{
    QImage image = glyph.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = 128 + qGray(line[x]) / 2;
            line[x] = qRgba(grey, grey, grey, qAlpha(line[x]));
        }
    }
    return image;
}

} // namespace

std::vector<Figure*> LinkChainOf(Figure& figure)
{
    // The chain is linear; the visited set guards against a damaged one that loops.
    std::set<Figure*> seen{&figure};
    Figure* first = &figure;
    while (Figure* previous = first->LinkPrevious()) {
        if (!seen.insert(previous).second)
            break;
        first = previous;
    }
    std::vector<Figure*> chain{first};
    std::set<Figure*> listed{first};
    for (Figure* next = first->LinkNext(); next != nullptr && listed.insert(next).second; next = next->LinkNext())
        chain.push_back(next);
    return chain;
}

ButtonBinding::ButtonBinding(std::string_view registeredName, std::int32_t kind) : Component(registeredName, kind) {}

ButtonBinding::~ButtonBinding() = default;

void ButtonBinding::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_glyphName = TextField(data, "glyphName");
    m_caption = TextField(data, "caption");
    if (const FieldValue* position = data != nullptr ? data->Find("glyphPosition") : nullptr)
        m_glyphPosition = position->bytes;
    m_enabled = NumberField(data, "b1", 1) != 0;
    m_groupSwitch = NumberField(data, "button.b3") != 0;
    m_unit = TextField(data, "button.unit");
    m_actionMode = TextField(data, "button.actionMode");
    m_key = TextField(data, "button.key");
    ApplyHintField(data);
}

void ButtonBinding::Start(FBase& figure)
{
    m_started = true;
    LoadGlyph({});
    m_filter = std::make_unique<ButtonPressFilter>(*this);
    figure.installEventFilter(m_filter.get());
    m_hollowAtStart = !figure.Properties().filled;
    if (m_groupSwitch) {
        for (Figure* other : LinkChainOf(figure))
            if (other != &figure && IsButtonKind(other->Properties().kind) && other->Properties().secondLinkKey == 0)
                m_groupMember = true;
    }
    figure.update();
}

void ButtonBinding::Run()
{
    auto* figure = dynamic_cast<FBase*>(CurrentFigure());
    if (figure == nullptr)
        return;
    if (!m_started)
        Start(*figure);
    if (figure->isEnabled() != m_enabled) {
        figure->setEnabled(m_enabled);
        figure->update();
    }
    m_clicked = m_pendingClick;
    m_pendingClick = false;
    if (!m_groupMember)
        return;
    if (m_hollowAtStart && figure->Properties().filled != figure->Down())
        figure->SetFilled(figure->Down());
    if (!m_clicked)
        return;
    for (Figure* other : LinkChainOf(*figure)) {
        auto* button = dynamic_cast<FBase*>(other);
        if (button != nullptr && button != figure && button->Down())
            button->SetDown(false);
    }
}

void ButtonBinding::SetEnabled(bool enabled)
{
    m_enabled = enabled;
    if (Figure* figure = CurrentFigure(); figure != nullptr && figure->ScreenObject() == this) {
        figure->Widget().setEnabled(enabled);
        figure->Widget().update();
    }
}

bool ButtonBinding::LoadGlyph(std::string_view name)
{
    const std::string glyphName = name.empty() ? m_glyphName : std::string(name);
    m_glyph = QImage();
    m_glyphCount = 0;
    bool loaded = false;
    if (!glyphName.empty()) {
        // Executable resources do not exist here: the package or the disk only.
        const std::string file = PictureBaseName(glyphName) + ".Bmp";
        if (std::optional<std::string> bytes = ReadPictureFile(file)) {
            platform::Result<Picture> picture = DecodePicture(*bytes, Picture::Type::Bitmap);
            if (picture && !picture->image.isNull()) {
                m_glyph = WithTransparentKey(picture->image);
                m_glyphCount = m_glyph.width() > m_glyph.height() ? 2 : 1;
                loaded = true;
            } else {
                platform::LogWarning("button glyph {}: {}", file, picture ? "empty picture" : picture.Error());
            }
        }
    }
    if (Figure* figure = CurrentFigure(); figure != nullptr && figure->ScreenObject() == this)
        figure->Widget().update();
    return loaded;
}

void ButtonBinding::Press(FBase& figure)
{
    m_pressed = true;
    m_downBeforePress = figure.Down();
    figure.SetDown(true);
}

void ButtonBinding::Drag(FBase& figure, bool inside)
{
    const bool down = inside || m_downBeforePress;
    if (figure.Down() != down)
        figure.SetDown(down);
}

void ButtonBinding::Release(FBase& figure, bool inside)
{
    m_pressed = false;
    if (!inside) {
        figure.SetDown(m_downBeforePress);
        return;
    }
    m_pendingClick = true;
    if (m_groupMember)
        figure.SetDown(true);
    else if (figure.Properties().buttonState != 0)
        figure.SetDown(!m_downBeforePress);
    else
        figure.SetDown(false);
}

QImage ButtonBinding::GlyphToDraw(bool enabled) const
{
    if (m_glyph.isNull())
        return {};
    if (m_glyphCount == 2) {
        const int width = m_glyph.width() / 2;
        return m_glyph.copy(enabled ? 0 : width, 0, width, m_glyph.height());
    }
    return enabled ? m_glyph : Greyed(m_glyph);
}

void ButtonBinding::PaintFace(QPainter& painter, QSize size)
{
    Figure* figure = CurrentFigure();
    if (figure == nullptr)
        return;
    const FigureProperties& properties = figure->Properties();
    const bool enabled = figure->Widget().isEnabled();
    const QString caption = m_caption.empty()
                                ? ShownText(properties)
                                : QString::fromStdString(platform::CodePageToUtf8(DisplayText(m_caption)));
    const QImage glyph = GlyphToDraw(enabled);
    const QFont font = FigureFontOf(properties);
    const QSize textSize = caption.isEmpty() ? QSize() : QFontMetrics(font).size(Qt::TextShowMnemonic, caption);
    const QSize glyphSize = glyph.isNull() ? QSize() : glyph.size();
    const int spacing = (!caption.isEmpty() && !glyph.isNull()) ? 4 : 0;
    const bool vertical = m_glyphPosition == "Top" || m_glyphPosition == "Bottom";
    const bool glyphFirst = m_glyphPosition != "Right" && m_glyphPosition != "Bottom";

    QRect glyphRect;
    QRect textRect;
    if (vertical) {
        const int total = glyphSize.height() + spacing + textSize.height();
        int y = (size.height() - total) / 2;
        const int glyphX = (size.width() - glyphSize.width()) / 2;
        if (glyphFirst) {
            glyphRect = QRect(QPoint(glyphX, y), glyphSize);
            textRect = QRect(0, y + glyphSize.height() + spacing, size.width(), textSize.height());
        } else {
            textRect = QRect(0, y, size.width(), textSize.height());
            y += textSize.height() + spacing;
            glyphRect = QRect(QPoint(glyphX, y), glyphSize);
        }
    } else {
        const int total = glyphSize.width() + spacing + textSize.width();
        int x = (size.width() - total) / 2;
        const int glyphY = (size.height() - glyphSize.height()) / 2;
        if (glyphFirst) {
            glyphRect = QRect(QPoint(x, glyphY), glyphSize);
            textRect = QRect(x + glyphSize.width() + spacing, 0, textSize.width(), size.height());
        } else {
            textRect = QRect(x, 0, textSize.width(), size.height());
            x += textSize.width() + spacing;
            glyphRect = QRect(QPoint(x, glyphY), glyphSize);
        }
    }
    const QPoint shift = properties.down ? QPoint(1, 1) : QPoint(0, 0);
    if (!glyph.isNull())
        painter.drawImage(glyphRect.topLeft() + shift, glyph);
    if (!caption.isEmpty()) {
        painter.setFont(font);
        painter.setPen(enabled ? WindowsColour(properties.foreColour) : QColor(128, 128, 128));
        painter.drawText(textRect.translated(shift), Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextSingleLine,
                         caption);
    }
}

} // namespace screens
