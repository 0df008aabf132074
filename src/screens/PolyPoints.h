// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include <QPoint>
#include <QRect>

namespace screens {

// The point list of a PolyLine or PolyGon figure and its rotation. Points are relative to the
// figure's top-left corner; the index of program code is 1-based. A plain value owned by its
// figure (GUI thread).
//
// Rotation always starts again from the original: the points and bounds the figure had when it
// was first turned. Each point turns about the rotation centre (figure coordinates; -1, -1 when
// the record gives none); the figure's new size is the largest coordinate + 10 - the smallest in
// each direction (the largest starting from the original size, the smallest from 0), and it is
// moved so that the points stay where they were relative to its original top-left corner.
class PolyPoints {
public:
    static constexpr std::size_t kMaxPoints = 100;

    // Takes the points of a record in window coordinates (at most kMaxPoints are kept) and
    // returns the figure's bounds: smallest X and Y, largest - smallest + 10 wide and high;
    // the points become relative to that corner. No points: an empty list and an empty rect at
    // the origin.
    QRect SetFromWindow(std::span<const QPoint> points);
    // Takes points already relative to the figure (a program setting them).
    void SetRelative(std::span<const QPoint> points);

    const std::vector<QPoint>& Points() const { return m_points; }
    std::size_t Count() const { return m_points.size(); }
    // The point of 1-based `index`, or nothing when there is no such point.
    std::optional<QPoint> Point(std::size_t index) const;

    void SetCentre(QPoint centre) { m_centre = centre; }
    QPoint Centre() const { return m_centre; }

    // Turns the points to `degrees` from the original; `bounds` are the figure's bounds now
    // (kept as the original the first time). Returns the new bounds.
    QRect Rotate(int degrees, QRect bounds);
    bool HasOriginal() const { return m_hasOriginal; }

private:
    std::vector<QPoint> m_points;
    std::vector<QPoint> m_originalPoints;
    QRect m_originalBounds;
    bool m_hasOriginal = false;
    QPoint m_centre{-1, -1};
};

} // namespace screens
