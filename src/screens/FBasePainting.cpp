// Quorva run-time. Licensed under the MIT licence.
// The drawing of FBase figures: one branch per kind.
#include "screens/FBase.h"

#include <QImage>
#include <QPainter>
#include <QPaintEvent>

#include "platform/Log.h"
#include "screens/ButtonFace.h"
#include "screens/GroupFace.h"
#include "screens/FigureKind.h"
#include "screens/FigureText.h"
#include "screens/FillLevel.h"
#include "screens/ScreenForm.h"
#include "screens/ShapePainter.h"
#include "screens/TabStrip.h"
#include "screens/WindowsColour.h"

namespace screens {

void FBase::paintEvent(QPaintEvent* /*event*/)
{
    if (Properties().kind == 0 || !OnCurrentPage())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    PaintFigure(painter, FigureSize());
}

void FBase::PaintShapeWithLevel(QPainter& painter, QSize size)
{
    const FigureProperties& properties = Properties();
    if (!TakesFillLevel(properties.kind) || !properties.fillOn || properties.fillLevel <= 0 || size.isEmpty()) {
        PaintShapeFigure(painter, properties, size);
        if (m_facePainter)
            m_facePainter(painter, size);
        return;
    }
    // The liquid spreads over the pixels as drawn, so the figure is drawn into an image first;
    // transparent where the shape leaves the window showing.
    constexpr qint64 kMaxLevelPixels = qint64{4096} * 4096;
    QImage image;
    if (qint64{size.width()} * size.height() <= kMaxLevelPixels)
        image = QImage(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        // Too big to draw off-screen (a damaged record): the shape without its level.
        static bool s_warned = false;
        if (!s_warned)
            platform::LogWarning("a figure of {} x {} pixels is too big for its fill level", size.width(), size.height());
        s_warned = true;
        PaintShapeFigure(painter, properties, size);
        return;
    }
    image.fill(Qt::transparent);
    {
        QPainter imagePainter(&image);
        PaintShapeFigure(imagePainter, properties, size);
        if (m_facePainter)
            m_facePainter(imagePainter, size);
    }
    ApplyFillLevel(image, properties.penWidth, properties.fillLevel, WindowsColour(properties.fillColour));
    painter.drawImage(0, 0, image);
}

void FBase::PaintFigure(QPainter& painter, QSize size)
{
    const FigureProperties& properties = Properties();
    const auto kind = static_cast<FigureKind>(properties.kind);
    if (IsShapeKind(properties.kind)) {
        PaintShapeWithLevel(painter, size);
        return;
    }
    switch (kind) {
    case FigureKind::Text:
    case FigureKind::Value:
        PaintFigureText(painter, size, properties, ShownText(properties));
        break;
    case FigureKind::PolyLine:
    case FigureKind::PolyGon: {
        ShapePainter shapes(painter, FigurePen(properties), FigureBrush(properties));
        if (kind == FigureKind::PolyLine)
            shapes.Polyline(m_points.Points());
        else
            shapes.Polygon(m_points.Points());
        break;
    }
    case FigureKind::Group:
        PaintGroupFace(painter, size, properties, ShownText(properties));
        break;
    case FigureKind::Button:
    case FigureKind::XpButton:
        // An attached object with a face (a glyph button) draws the caption itself.
        PaintButtonFace(painter, size, properties, m_facePainter ? QString() : ShownText(properties),
                        kind == FigureKind::XpButton);
        break;
    case FigureKind::NoteBook:
    case FigureKind::TabSet: {
        const ScreenForm* form = FormOf(*this);
        const int page = form != nullptr ? form->CurrentPage() : 0;
        PaintTabStrip(painter, size, properties, page - properties.pageLayer);
        break;
    }
    case FigureKind::Bmp:
        if (!m_picture.IsEmpty() && (!m_picture.image.isNull() || m_picture.metafile != nullptr))
            DrawPicture(painter, m_picture, size, properties.displayMode, properties.filled);
        break;
    default:
        break;
    }
    if (m_facePainter)
        m_facePainter(painter, size);
}

} // namespace screens
