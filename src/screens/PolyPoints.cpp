// Quorva run-time. Licensed under the MIT licence.
#include "screens/PolyPoints.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace screens {
namespace {

constexpr int kMargin = 10;

int RoundHalfEven(double value)
{
    return static_cast<int>(std::lrint(value));
}

} // namespace

QRect PolyPoints::SetFromWindow(std::span<const QPoint> points)
{
    if (points.size() > kMaxPoints)
        points = points.first(kMaxPoints);
    m_points.assign(points.begin(), points.end());
    m_originalPoints.clear();
    m_hasOriginal = false;
    if (m_points.empty())
        return QRect(0, 0, 0, 0);
    int left = m_points.front().x();
    int top = m_points.front().y();
    int right = left;
    int bottom = top;
    for (const QPoint& point : m_points) {
        left = std::min(left, point.x());
        top = std::min(top, point.y());
        right = std::max(right, point.x());
        bottom = std::max(bottom, point.y());
    }
    for (QPoint& point : m_points)
        point -= QPoint(left, top);
    return QRect(left, top, right - left + kMargin, bottom - top + kMargin);
}

void PolyPoints::SetRelative(std::span<const QPoint> points)
{
    if (points.size() > kMaxPoints)
        points = points.first(kMaxPoints);
    m_points.assign(points.begin(), points.end());
    m_originalPoints.clear();
    m_hasOriginal = false;
}

std::optional<QPoint> PolyPoints::Point(std::size_t index) const
{
    if (index < 1 || index > m_points.size())
        return std::nullopt;
    return m_points[index - 1];
}

QRect PolyPoints::Rotate(int degrees, QRect bounds)
{
    if (!m_hasOriginal) {
        m_originalPoints = m_points;
        m_originalBounds = bounds;
        m_hasOriginal = true;
    }
    const double radians = degrees * std::numbers::pi / 180.0;
    const double cosine = std::cos(radians);
    const double sine = std::sin(radians);
    const double cx = m_centre.x();
    const double cy = m_centre.y();
    int largestX = m_originalBounds.width();
    int largestY = m_originalBounds.height();
    int smallestX = 0;
    int smallestY = 0;
    m_points.resize(m_originalPoints.size());
    for (std::size_t i = 0; i < m_originalPoints.size(); ++i) {
        const double x = m_originalPoints[i].x() - cx;
        const double y = m_originalPoints[i].y() - cy;
        const QPoint turned(RoundHalfEven(cosine * x - sine * y + cx), RoundHalfEven(sine * x + cosine * y + cy));
        m_points[i] = turned;
        largestX = std::max(largestX, turned.x());
        largestY = std::max(largestY, turned.y());
        smallestX = std::min(smallestX, turned.x());
        smallestY = std::min(smallestY, turned.y());
    }
    for (QPoint& point : m_points)
        point -= QPoint(smallestX, smallestY);
    return QRect(m_originalBounds.left() + smallestX, m_originalBounds.top() + smallestY,
                 largestX + kMargin - smallestX, largestY + kMargin - smallestY);
}

} // namespace screens
