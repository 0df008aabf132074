// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include <QPoint>
#include <QRect>
#include <QWidget>

#include "screens/Figure.h"
#include "screens/Picture.h"
#include "screens/PolyPoints.h"

namespace screens {

// A figure the program draws itself: every shape, bar, text, value, picture, point list, group,
// button, notebook and tab set kind. A light-weight widget, transparent wherever its figure draws
// nothing, owned by its window (its Qt parent) and used on the GUI thread only.
//
// A property change repaints this figure alone (update() on itself, never the window); a Text
// figure resizes itself to its text and a turned point list moves and resizes itself. Nothing is
// painted while the figure has no kind or is not on its window's current page.
class FBase : public QWidget, public Figure {
public:
    explicit FBase(QWidget* parent = nullptr);

    QWidget& Widget() override { return *this; }
    // Takes the record's fields in their order: layout switch (Text, Value), options, link group,
    // text (the file-name part for Bmp), page value, direction, ordered corners and bounds,
    // colours, filled, pen, font, page layer, alignment, angle or display mode; NoteBook and
    // TabSet then take their tabs, set the window's page to their layer and show.
    void Load(const AttributsFig& record) override;

    // Position and size in the parent. A Line with no width or no height is one pixel wide or
    // high, so that it shows; it is drawn as the line it is.
    void SetBounds(QRect bounds);
    // The size the figure draws in.
    QSize FigureSize() const;

    // Point lists: the record's points in window coordinates; the figure takes the bounds that
    // enclose them (plus 10) and keeps them relative.
    void SetPointList(std::span<const QPoint> windowPoints);
    // The rotation centre from the class data, in figure coordinates.
    void SetRotationCentre(QPoint centre);
    const PolyPoints& Points() const { return m_points; }

    // Buttons: the down state program code reads and sets; the state byte (non-zero = toggle).
    bool Down() const { return Properties().down; }
    void SetDown(bool down);
    void SetButtonState(std::uint8_t state);

    // Bmp: the picture shown and the display mode (0 copy, 1 stretch, 2 window shape, other
    // values a raster operation).
    const Picture& CurrentPicture() const { return m_picture; }
    // Shows `picture` in place of the one loaded from the text (picture handles); repaints.
    void ShowPicture(Picture picture);
    void SetDisplayMode(std::uint8_t mode);

    // The layout switch of Text and Value figures (record position 353), kept as loaded.
    bool LayoutSwitch() const { return m_layoutSwitch; }

    // What the attached screen object draws over the figure, after the shape and before the fill
    // level. Empty: nothing.
    using FacePainter = std::function<void(QPainter&, QSize)>;
    void SetFacePainter(FacePainter painter) { m_facePainter = std::move(painter); }

protected:
    void Changed(FigureChange change) override;
    void KindChanged() override;
    // An attached object with a face draws it over the shape, as the current figure.
    void ScreenObjectAttached() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FitTextSize();
    void ReloadPicture();
    void RotatePoints();
    void FollowParentForDocking();
    bool IgnoresMouse() const;
    void PaintFigure(QPainter& painter, QSize size);
    void PaintShapeWithLevel(QPainter& painter, QSize size);

    PolyPoints m_points;
    Picture m_picture;
    FacePainter m_facePainter;
    QWidget* m_dockParent = nullptr;
    bool m_layoutSwitch = false;
    bool m_padWidth = false;  // a Line of no width shows one pixel wide
    bool m_padHeight = false; // a Line of no height shows one pixel high
};

} // namespace screens
