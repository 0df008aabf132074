// Quorva run-time. Licensed under the MIT licence.
#include "screens/MetafilePlayer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QFontMetrics>
#include <QPainterPath>
#include <QPolygon>

#include "platform/CodePage.h"
#include "screens/BmpInfo.h"
#include "screens/FigureFont.h"
#include "screens/MetafileRecords.h"
#include "screens/RasterOp.h"

namespace screens {

using namespace metafile;


MetafilePlayer::MetafilePlayer(const MetafileImage& metafile, QPainter& painter, const QRect& target)
    : m_metafile(metafile), m_painter(painter), m_target(target)
{
    // The object table grows as records create objects: the count in the header is not trusted
    // (up to 65535 empty slots would be made on every paint).
    m_state.windowOrg = metafile.Frame().topLeft();
    m_state.windowExt = metafile.Frame().size();
    m_state.brush.colour = Qt::white;
}

MetafilePlayer::~MetafilePlayer()
{
    for (; m_painterSaves > 0; --m_painterSaves)
        m_painter.restore();
}

void MetafilePlayer::Run()
{
    m_painter.save();
    ++m_painterSaves;
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::TextAntialiasing, false);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    m_painter.setClipRect(m_target, Qt::IntersectClip);
    for (const auto& record : m_metafile.Records())
        Play(record);
}

std::int16_t MetafilePlayer::S(std::size_t index) const
{
    return static_cast<std::int16_t>(U(index));
}

std::uint16_t MetafilePlayer::U(std::size_t index) const
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_params) + index * 2;
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::uint32_t MetafilePlayer::U32At(std::size_t index) const
{
    return static_cast<std::uint32_t>(U(index)) | static_cast<std::uint32_t>(U(index + 1)) << 16;
}

QPoint MetafilePlayer::Map(int x, int y) const
{
    const double extX = m_state.windowExt.width() != 0 ? m_state.windowExt.width() : 1;
    const double extY = m_state.windowExt.height() != 0 ? m_state.windowExt.height() : 1;
    // In floating point: the distance from the origin times the target's size may pass INT_MAX.
    const double fromX = x - static_cast<double>(m_state.windowOrg.x());
    const double fromY = y - static_cast<double>(m_state.windowOrg.y());
    const double dx = m_target.x() + fromX * m_target.width() / extX;
    const double dy = m_target.y() + fromY * m_target.height() / extY;
    const auto clampToInt = [](double v) {
        return static_cast<int>(std::lround(std::clamp(v, -4.0e6, 4.0e6)));
    };
    return {clampToInt(dx), clampToInt(dy)};
}

QRect MetafilePlayer::MapRect(int left, int top, int right, int bottom) const
{
    const QPoint a = Map(left, top);
    const QPoint b = Map(right, bottom);
    const int x1 = std::min(a.x(), b.x()), x2 = std::max(a.x(), b.x());
    const int y1 = std::min(a.y(), b.y()), y2 = std::max(a.y(), b.y());
    return QRect(x1, y1, x2 - x1, y2 - y1);
}

int MetafilePlayer::MapLength(int length, bool vertical) const
{
    const double ext = vertical ? m_state.windowExt.height() : m_state.windowExt.width();
    const double size = vertical ? m_target.height() : m_target.width();
    if (ext == 0)
        return length;
    return static_cast<int>(std::lround(std::min(std::abs(length * size / ext), 1.0e6)));
}

void MetafilePlayer::AddObject(const Object& object)
{
    // The lowest free slot, as Windows takes; a full table is not walked again for each object.
    for (; m_firstFree < m_objects.size(); ++m_firstFree)
        if (m_objects[m_firstFree].kind == ObjectKind::Free) {
            m_objects[m_firstFree++] = object;
            return;
        }
    if (m_objects.size() < kMaxObjects) {
        m_objects.push_back(object);
        ++m_firstFree;
    }
}

void MetafilePlayer::Select(std::uint16_t index)
{
    if (index >= m_objects.size())
        return;
    const Object& object = m_objects[index];
    switch (object.kind) {
    case ObjectKind::Pen: m_state.pen = object.pen; break;
    case ObjectKind::Brush: m_state.brush = object.brush; break;
    case ObjectKind::Font: m_state.font = object.font; break;
    default: break;
    }
}

void MetafilePlayer::Delete(std::uint16_t index)
{
    if (index < m_objects.size()) {
        m_objects[index] = Object{};
        m_firstFree = std::min<std::size_t>(m_firstFree, index);
    }
}

void MetafilePlayer::ApplyPen()
{
    const std::uint16_t style = m_state.pen.style & 0x0F;
    if (style == 5) {
        m_painter.setPen(Qt::NoPen);
        return;
    }
    const int width = std::min(MapLength(m_state.pen.width, false), kMaxPenPixels);
    QPen pen(m_state.pen.colour);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    if (width <= 1) {
        pen.setWidth(1);
        pen.setCosmetic(true);
        // Dashed styles exist for thin pens only.
        static constexpr Qt::PenStyle kStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
            Qt::DashDotDotLine};
        pen.setStyle(style < 5 ? kStyles[style] : Qt::SolidLine);
    } else {
        pen.setWidth(width);
    }
    m_painter.setPen(pen);
}

void MetafilePlayer::ApplyBrush()
{
    const BrushObject& brush = m_state.brush;
    m_painter.setBackgroundMode(m_state.opaque ? Qt::OpaqueMode : Qt::TransparentMode);
    m_painter.setBackground(m_state.backColour);
    switch (brush.style) {
    case 0: m_painter.setBrush(brush.colour); break;
    case 2: m_painter.setBrush(QBrush(brush.colour, HatchStyle(brush.hatch))); break;
    case 5:
    case 6:
        if (!brush.pattern.isNull()) {
            m_painter.setBrush(QBrush(brush.pattern));
            break;
        }
        m_painter.setBrush(Qt::NoBrush);
        break;
    default: m_painter.setBrush(Qt::NoBrush); break;
    }
}

void MetafilePlayer::Play(const MetafileImage::Record& record)
{
    m_params = m_metafile.Bytes().data() + record.offset;
    m_words = record.words;
    switch (record.function) {
    case kSaveDc: SaveState(); break;
    case kRestoreDc:
        if (Has(1))
            RestoreState(S(0));
        break;
    case kSetBkMode:
        if (Has(1))
            m_state.opaque = U(0) == 2;
        break;
    case kSetPolyFillMode:
        if (Has(1))
            m_state.winding = U(0) == 2;
        break;
    case kSetTextAlign:
        if (Has(1))
            m_state.textAlign = U(0);
        break;
    case kSetBkColor:
        if (Has(2))
            m_state.backColour = ColourOf(U32At(0));
        break;
    case kSetTextColor:
        if (Has(2))
            m_state.textColour = ColourOf(U32At(0));
        break;
    case kSetWindowOrg:
        if (Has(2))
            m_state.windowOrg = QPoint(S(1), S(0));
        break;
    case kSetWindowExt:
        if (Has(2) && S(0) != 0 && S(1) != 0)
            m_state.windowExt = QSize(S(1), S(0));
        break;
    case kOffsetWindowOrg:
        if (Has(2))
            m_state.windowOrg =
                QPoint(ClampLogical(static_cast<long long>(m_state.windowOrg.x()) + S(1)),
                    ClampLogical(static_cast<long long>(m_state.windowOrg.y()) + S(0)));
        break;
    case kScaleWindowExt:
        if (Has(4) && S(0) != 0 && S(2) != 0 && S(1) != 0 && S(3) != 0)
            m_state.windowExt =
                QSize(ClampLogical(static_cast<long long>(m_state.windowExt.width()) * S(3) / S(2)),
                    ClampLogical(static_cast<long long>(m_state.windowExt.height()) * S(1) / S(0)));
        break;
    case kSelectObject:
        if (Has(1))
            Select(U(0));
        break;
    case kDeleteObject:
        if (Has(1))
            Delete(U(0));
        break;
    case kCreatePenIndirect: CreatePen(); break;
    case kCreateBrushIndirect:
    case kDibCreatePatternBrush: CreateBrush(record.function == kDibCreatePatternBrush); break;
    case kCreateFontIndirect: CreateFont(); break;
    case kCreatePalette:
    case kCreatePatternBrush:
    case kCreateRegion: {
        // Not drawn, but each takes a slot of the object table like any other object.
        Object other;
        other.kind = ObjectKind::Other;
        AddObject(other);
        break;
    }
    case kMoveTo:
        if (Has(2))
            m_state.position = QPoint(S(1), S(0));
        break;
    case kLineTo:
        if (Has(2)) {
            const QPoint to(S(1), S(0));
            ApplyPen();
            m_painter.drawLine(Map(m_state.position.x(), m_state.position.y()), Map(to.x(), to.y()));
            m_state.position = to;
        }
        break;
    case kRectangle: Rectangle(false); break;
    case kRoundRect: Rectangle(true); break;
    case kEllipse: Ellipse(); break;
    case kArc: ArcFamily(0); break;
    case kPie: ArcFamily(1); break;
    case kChord: ArcFamily(2); break;
    case kPolygon: PolyPoints(true); break;
    case kPolyline: PolyPoints(false); break;
    case kPolyPolygon: PolyPolygon(); break;
    case kSetPixel:
        if (Has(4)) {
            const QPoint at = Map(S(3), S(2));
            m_painter.fillRect(QRect(at, QSize(1, 1)), ColourOf(U32At(0)));
        }
        break;
    case kIntersectClipRect:
        if (Has(4))
            m_painter.setClipRect(MapRect(S(3), S(2), S(1), S(0)), Qt::IntersectClip);
        break;
    case kTextOut: Text(false); break;
    case kExtTextOut: Text(true); break;
    case kPatBlt:
        if (Has(6))
            PatternBlit(U32At(0), MapRect(S(5), S(4), S(5) + S(3), S(4) + S(2)));
        break;
    case kDibBitBlt:
    case kDibStretchBlt:
    case kStretchDib: Bitmap(record.function); break;
    default: break;
    }
}

void MetafilePlayer::CreatePen()
{
    Object object;
    object.kind = ObjectKind::Pen;
    if (Has(5)) {
        object.pen.style = U(0);
        object.pen.width = std::max<int>(0, S(1));
        object.pen.colour = ColourOf(U32At(3));
    }
    AddObject(object);
}

void MetafilePlayer::CreateBrush(bool dibPattern)
{
    Object object;
    object.kind = ObjectKind::Brush;
    if (dibPattern) {
        object.brush.style = 5;
        if (Has(3)) {
            auto image = DecodeDib(std::string_view(m_params + 4, (m_words - 2) * 2));
            if (image.IsOk())
                object.brush.pattern = std::move(image).Value();
        }
    } else if (Has(4)) {
        object.brush.style = U(0);
        object.brush.colour = ColourOf(U32At(1));
        object.brush.hatch = U(3);
    }
    AddObject(object);
}

void MetafilePlayer::CreateFont()
{
    Object object;
    object.kind = ObjectKind::Font;
    if (Has(9)) {
        FontObject& font = object.font;
        font.height = S(0);
        font.escapement = S(2);
        font.weight = S(4);
        const auto* bytes = reinterpret_cast<const unsigned char*>(m_params) + 10;
        font.italic = bytes[0] != 0;
        font.underline = bytes[1] != 0;
        font.strikeOut = bytes[2] != 0;
        const char* face = m_params + 18;
        const std::size_t room = std::min<std::size_t>(32, m_words * 2 - 18);
        font.face.assign(face, std::find(face, face + room, '\0'));
    }
    AddObject(object);
}

void MetafilePlayer::Rectangle(bool rounded)
{
    const std::size_t base = rounded ? 2 : 0;
    if (!Has(base + 4))
        return;
    const QRect rect = MapRect(S(base + 3), S(base + 2), S(base + 1), S(base + 0));
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    ApplyPen();
    ApplyBrush();
    if (!rounded) {
        m_painter.drawRect(QtRect(rect));
        return;
    }
    const int cornerWidth = MapLength(S(1), false), cornerHeight = MapLength(S(0), true);
    m_painter.drawRoundedRect(QtRect(rect), cornerWidth / 2.0, cornerHeight / 2.0, Qt::AbsoluteSize);
}

void MetafilePlayer::Ellipse()
{
    if (!Has(4))
        return;
    const QRect rect = MapRect(S(3), S(2), S(1), S(0));
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    ApplyPen();
    ApplyBrush();
    m_painter.drawEllipse(QtRect(rect));
}

void MetafilePlayer::ArcFamily(int kind)
{
    if (!Has(8))
        return;
    const QRect rect = QtRect(MapRect(S(7), S(6), S(5), S(4)));
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    // The start and end points give radial lines from the centre; Qt takes the parametric angle
    // of the ellipse point on that line.
    const double cx = rect.x() + rect.width() / 2.0, cy = rect.y() + rect.height() / 2.0;
    const auto angleOf = [&](QPoint p) {
        const double t = std::atan2(-(p.y() - cy) / (rect.height() / 2.0), (p.x() - cx) / (rect.width() / 2.0));
        return t * 180.0 / std::numbers::pi;
    };
    const double start = angleOf(Map(S(3), S(2)));
    double span = angleOf(Map(S(1), S(0))) - start;
    if (span <= 0)
        span += 360;
    const int start16 = static_cast<int>(std::lround(start * 16)), span16 = static_cast<int>(std::lround(span * 16));
    ApplyPen();
    ApplyBrush();
    if (kind == 0)
        m_painter.drawArc(rect, start16, span16);
    else if (kind == 1)
        m_painter.drawPie(rect, start16, span16);
    else
        m_painter.drawChord(rect, start16, span16);
}

void MetafilePlayer::PolyPoints(bool polygon)
{
    if (!Has(1))
        return;
    const int count = S(0);
    if (count <= 0 || !Has(1 + 2 * static_cast<std::size_t>(count)))
        return;
    QPolygon points;
    points.reserve(count);
    for (int i = 0; i < count; ++i) {
        const auto at = 1 + 2 * static_cast<std::size_t>(i);
        points.append(Map(S(at), S(at + 1)));
    }
    ApplyPen();
    if (polygon) {
        ApplyBrush();
        m_painter.drawPolygon(points, m_state.winding ? Qt::WindingFill : Qt::OddEvenFill);
    } else {
        m_painter.drawPolyline(points);
    }
}

void MetafilePlayer::PolyPolygon()
{
    if (!Has(1))
        return;
    const int polygons = S(0);
    if (polygons <= 0 || !Has(1 + static_cast<std::size_t>(polygons)))
        return;
    std::size_t total = 0;
    for (int i = 0; i < polygons; ++i)
        total += U(1 + static_cast<std::size_t>(i));
    std::size_t at = 1 + static_cast<std::size_t>(polygons);
    if (!Has(at + 2 * total))
        return;
    QPainterPath path;
    path.setFillRule(m_state.winding ? Qt::WindingFill : Qt::OddEvenFill);
    for (int i = 0; i < polygons; ++i) {
        const std::uint16_t count = U(1 + static_cast<std::size_t>(i));
        QPolygon points;
        for (std::uint16_t p = 0; p < count; ++p, at += 2)
            points.append(Map(S(at), S(at + 1)));
        if (!points.isEmpty())
            path.addPolygon(QPolygonF(points) << QPointF(points.front()));
    }
    ApplyPen();
    ApplyBrush();
    m_painter.drawPath(path);
}

void MetafilePlayer::SaveState()
{
    if (m_saved.size() >= kMaxSavedStates)
        return;
    m_saved.push_back(m_state);
    m_painter.save();
    ++m_painterSaves;
}

void MetafilePlayer::RestoreState(int which)
{
    // Negative: that many states back; positive: the state saved as number `which`.
    std::size_t keep = 0;
    if (which < 0) {
        const auto back = static_cast<std::size_t>(-which);
        if (back > m_saved.size())
            return;
        keep = m_saved.size() - back;
    } else {
        if (which == 0 || static_cast<std::size_t>(which) > m_saved.size())
            return;
        keep = static_cast<std::size_t>(which) - 1;
    }
    while (m_saved.size() > keep) {
        m_state = m_saved.back();
        m_saved.pop_back();
        m_painter.restore();
        --m_painterSaves;
    }
}

} // namespace screens
