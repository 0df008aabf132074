// Quorva run-time. Licensed under the MIT licence.
#include "screens/FBase.h"

#include <algorithm>
#include <utility>

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>

#include "screens/AttributsFig.h"
#include "screens/Component.h"
#include "screens/FigureDock.h"
#include "screens/FigureFont.h"
#include "screens/FigureKind.h"
#include "screens/FigureText.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/TabStrip.h"
#include "shell/FileHelpers.h"

namespace screens {
namespace {

constexpr std::uint8_t kWindowShapeMode = 2;

bool IsKind(const FigureProperties& properties, FigureKind kind)
{
    return properties.kind == static_cast<std::uint8_t>(kind);
}

bool IsPointList(const FigureProperties& properties)
{
    return IsKind(properties, FigureKind::PolyLine) || IsKind(properties, FigureKind::PolyGon);
}

bool IsButton(const FigureProperties& properties)
{
    return IsKind(properties, FigureKind::Button) || IsKind(properties, FigureKind::XpButton);
}

bool HasTabs(const FigureProperties& properties)
{
    return IsKind(properties, FigureKind::NoteBook) || IsKind(properties, FigureKind::TabSet);
}

} // namespace

FBase::FBase(QWidget* parent) : QWidget(parent) {}

void FBase::Load(const AttributsFig& record)
{
    const bool wasLoading = IsLoading();
    SetLoading(true); // the setters below only store: the figure is finished at the end
    FigureProperties& properties = MutableProperties();
    const bool textOrValue = IsKind(properties, FigureKind::Text) || IsKind(properties, FigureKind::Value);
    const bool isBmp = IsKind(properties, FigureKind::Bmp);
    if (textOrValue && record.editOption != 0)
        m_layoutSwitch = true;
    properties.options = record.options;
    properties.linkGroup = record.linkGroup;
    SetText(isBmp ? std::string(shell::FileNamePart(record.text)) : record.text);
    properties.decimals = record.pageValue;
    properties.direction = record.x2 >= record.x1 && record.y2 >= record.y1;
    const int left = std::min(record.x1, record.x2);
    const int top = std::min(record.y1, record.y2);
    SetBounds(QRect(left, top, std::max(record.x1, record.x2) - left, std::max(record.y1, record.y2) - top));
    SetForeColour(record.foreColour);
    SetBackColour(record.backColour);
    SetFilled(record.filled != 0);
    SetPenWidth(record.penWidth);
    SetPenStyle(record.penStyle);
    const std::uint8_t style = static_cast<std::uint8_t>((record.bold != 0 ? kFontBold : 0) |
                                                         (record.italic != 0 ? kFontItalic : 0) |
                                                         (record.underline != 0 ? kFontUnderline : 0) |
                                                         (record.strikeOut != 0 ? kFontStrikeOut : 0));
    SetFont(record.fontName, record.fontHeight, style);
    if (textOrValue && record.editOption != 0)
        m_layoutSwitch = true;
    SetPageLayer(record.pageLayer);
    properties.alignment = record.alignment;
    if (isBmp)
        properties.displayMode = record.DisplayMode();
    else
        SetAngle(record.angle);
    if (HasTabs(properties)) {
        properties.tabCount = record.tabCount;
        properties.decimals = (record.pageValue != 0 && record.pageValue >= record.tabCount) ? record.pageValue
                                                                                              : record.tabCount;
        if (ScreenForm* form = FormOf(*this))
            form->SetCurrentPage(properties.pageLayer);
        show();
    }
    SetLoading(wasLoading);
    // What the setters leave to the end of loading.
    if (isBmp)
        ReloadPicture();
    if (IsKind(properties, FigureKind::Text))
        FitTextSize();
    FollowParentForDocking();
    update();
}

void FBase::SetBounds(QRect bounds)
{
    const bool line = IsKind(Properties(), FigureKind::Line);
    m_padWidth = line && bounds.width() <= 0;
    m_padHeight = line && bounds.height() <= 0;
    setGeometry(bounds.x(), bounds.y(), std::max(0, bounds.width()) + (m_padWidth ? 1 : 0),
                std::max(0, bounds.height()) + (m_padHeight ? 1 : 0));
    Notify(FigureChange::Geometry);
}

QSize FBase::FigureSize() const
{
    return QSize(std::max(0, width() - (m_padWidth ? 1 : 0)), std::max(0, height() - (m_padHeight ? 1 : 0)));
}

void FBase::SetPointList(std::span<const QPoint> windowPoints)
{
    SetBounds(m_points.SetFromWindow(windowPoints));
}

void FBase::SetRotationCentre(QPoint centre)
{
    m_points.SetCentre(centre);
}

void FBase::SetDown(bool down)
{
    MutableProperties().down = down;
    Notify(FigureChange::Look);
}

void FBase::SetButtonState(std::uint8_t state)
{
    MutableProperties().buttonState = state;
    Notify(FigureChange::Look);
}

void FBase::SetDisplayMode(std::uint8_t mode)
{
    MutableProperties().displayMode = mode;
    if (!IsLoading() && IsKind(Properties(), FigureKind::Bmp))
        ReloadPicture();
    Notify(FigureChange::Look);
}

void FBase::ShowPicture(Picture picture)
{
    m_picture = std::move(picture);
    update();
}

void FBase::KindChanged()
{
    if (IsKind(Properties(), FigureKind::Bmp)) {
        m_picture = Picture{};
        m_picture.type = Picture::Type::Bitmap; // an empty bitmap
    }
}

void FBase::Changed(FigureChange change)
{
    const FigureProperties& properties = Properties();
    switch (change) {
    case FigureChange::Text:
        if (IsKind(properties, FigureKind::Bmp))
            ReloadPicture();
        FitTextSize();
        break;
    case FigureChange::Font:
        FitTextSize();
        break;
    case FigureChange::Angle:
        FitTextSize();
        if (IsPointList(properties))
            RotatePoints();
        break;
    case FigureChange::Look:
    case FigureChange::Value:
    case FigureChange::Page:
    case FigureChange::Geometry:
        break;
    }
    update();
}

void FBase::FitTextSize()
{
    const FigureProperties& properties = Properties();
    if (!IsKind(properties, FigureKind::Text))
        return;
    const QString shown = ShownText(properties);
    if (KeepsItsSize(shown))
        return;
    resize(TextFigureSize(QFontMetrics(FigureFontOf(properties)), shown, properties.angle));
}

void FBase::ReloadPicture()
{
    if (Properties().displayMode == kWindowShapeMode)
        return; // the window takes the picture as its shape
    m_picture = LoadFigurePicture(Properties().text, m_picture);
}

void FBase::RotatePoints()
{
    if (m_points.Count() == 0)
        return;
    setGeometry(m_points.Rotate(Properties().angle, geometry()));
}

bool FBase::IgnoresMouse() const
{
    const ScreenForm* form = FormOf(const_cast<FBase&>(*this));
    return form != nullptr && form->IsMarkedInactive();
}

void FBase::ScreenObjectAttached()
{
    Component* object = ScreenObject();
    if (object == nullptr || !object->HasFace()) {
        m_facePainter = nullptr;
        return;
    }
    m_facePainter = [this, object](QPainter& painter, QSize size) {
        CurrentScope keep;
        SetCurrentFigure(this);
        object->PaintFace(painter, size);
    };
}

void FBase::mousePressEvent(QMouseEvent* event)
{
    const FigureProperties& properties = Properties();
    if (event->button() == Qt::LeftButton && IsButton(properties)) {
        if (!IgnoresMouse())
            SetDown(properties.buttonState != 0 ? !properties.down : true);
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && HasTabs(properties)) {
        const std::optional<int> tab = TabAt(event->position().toPoint(), size(), properties);
        ScreenForm* form = FormOf(*this);
        if (tab.has_value() && form != nullptr)
            form->SetCurrentPage(properties.pageLayer + *tab);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void FBase::mouseReleaseEvent(QMouseEvent* event)
{
    const FigureProperties& properties = Properties();
    if (event->button() == Qt::LeftButton && IsButton(properties)) {
        if (!IgnoresMouse() && properties.buttonState == 0)
            SetDown(false);
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void FBase::FollowParentForDocking()
{
    QWidget* parent = parentWidget();
    if (m_dockParent != nullptr && m_dockParent != parent)
        m_dockParent->removeEventFilter(this);
    m_dockParent = nullptr;
    if (parent == nullptr || Properties().alignment == 0)
        return;
    m_dockParent = parent;
    parent->installEventFilter(this);
    DockFigures(*parent);
}

bool FBase::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange)
        FollowParentForDocking();
    return QWidget::event(event);
}

bool FBase::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_dockParent && event->type() == QEvent::Resize)
        DockFigures(*m_dockParent);
    return QWidget::eventFilter(watched, event);
}

} // namespace screens
