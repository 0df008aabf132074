// Quorva run-time. Licensed under the MIT licence.
#include "screens/MetafilePlayer.h"

#include <algorithm>
#include <cmath>

#include <QFontMetrics>

#include "platform/CodePage.h"
#include "screens/BmpInfo.h"
#include "screens/FigureFont.h"
#include "screens/MetafileRecords.h"
#include "screens/RasterOp.h"

// The metafile player's texts and bitmaps.
namespace screens {

using namespace metafile;

void MetafilePlayer::Text(bool extended)
{
    std::string bytes;
    QPoint at;
    if (!extended) {
        if (!Has(1))
            return;
        const int count = S(0);
        const std::size_t stringWords = (static_cast<std::size_t>(std::max(count, 0)) + 1) / 2;
        if (count <= 0 || !Has(1 + stringWords + 2))
            return;
        bytes.assign(m_params + 2, static_cast<std::size_t>(count));
        at = QPoint(S(1 + stringWords + 1), S(1 + stringWords));
    } else {
        if (!Has(4))
            return;
        at = QPoint(S(1), S(0));
        const int count = S(2);
        const std::uint16_t options = U(3);
        std::size_t textAt = 4;
        if ((options & (kEtoOpaque | kEtoClipped)) != 0) {
            if (!Has(8))
                return;
            textAt = 8;
            const QRect rect = MapRect(S(4), S(5), S(6), S(7));
            if ((options & kEtoOpaque) != 0)
                m_painter.fillRect(rect, m_state.backColour);
            if ((options & kEtoClipped) != 0) {
                m_painter.save();
                m_painter.setClipRect(rect, Qt::IntersectClip);
            }
        }
        if (count > 0 && Has(textAt + (static_cast<std::size_t>(count) + 1) / 2))
            bytes.assign(m_params + textAt * 2, static_cast<std::size_t>(count));
        if (!bytes.empty())
            DrawText(at, bytes);
        if ((options & kEtoClipped) != 0 && textAt == 8)
            m_painter.restore();
        return;
    }
    DrawText(at, bytes);
}

void MetafilePlayer::DrawText(const QPoint& logical, const std::string& bytes)
{
    const FontObject& font = m_state.font;
    const bool fromCurrent = (m_state.textAlign & kTextUpdateCp) != 0;
    const QPoint reference = Map(fromCurrent ? m_state.position.x() : logical.x(),
        fromCurrent ? m_state.position.y() : logical.y());
    const int pixels = std::min(MapLength(font.height, true), kMaxFontPixels);
    std::uint8_t style = 0;
    style |= font.weight >= 600 ? kFontBold : 0;
    style |= font.italic ? kFontItalic : 0;
    style |= font.underline ? kFontUnderline : 0;
    style |= font.strikeOut ? kFontStrikeOut : 0;
    const auto height = static_cast<std::int16_t>(font.height < 0 ? -pixels : pixels);
    const QFont qfont = FigureFont(font.face, height, style);
    const QString text = QString::fromStdString(platform::CodePageToUtf8(bytes));
    const QFontMetrics metrics(qfont, m_painter.device());
    const int width = metrics.horizontalAdvance(text);

    int x = 0;
    const std::uint16_t horizontal = m_state.textAlign & kTextCentre;
    if (horizontal == kTextCentre)
        x = -width / 2;
    else if (horizontal == kTextRight)
        x = -width;
    int baseline = metrics.ascent();
    if ((m_state.textAlign & kTextBaseline) == kTextBaseline)
        baseline = 0;
    else if ((m_state.textAlign & kTextBottom) != 0)
        baseline = -metrics.descent();

    m_painter.save();
    m_painter.translate(reference);
    if (font.escapement != 0)
        m_painter.rotate(-font.escapement / 10.0);
    m_painter.setFont(qfont);
    if (m_state.opaque)
        m_painter.fillRect(QRect(x, baseline - metrics.ascent(), width, metrics.height()), m_state.backColour);
    m_painter.setPen(m_state.textColour);
    m_painter.drawText(QPoint(x, baseline), text);
    m_painter.restore();

    if (fromCurrent && horizontal == 0 && m_target.width() != 0) {
        const double logicalWidth = width * static_cast<double>(m_state.windowExt.width()) / m_target.width();
        const long long advance = std::llround(std::clamp(logicalWidth, -1.0e15, 1.0e15));
        m_state.position.setX(ClampLogical(m_state.position.x() + advance));
    }
}

void MetafilePlayer::Bitmap(std::uint16_t function)
{
    // Parameter words before the embedded bitmap, and whether the record carries one at all.
    const std::size_t fixedWords = function == kStretchDib ? 11 : (function == kDibStretchBlt ? 10 : 8);
    const bool withoutBitmap = function != kStretchDib && m_words == static_cast<std::size_t>(function >> 8);
    if (withoutBitmap) {
        // Source-less form: one reserved word after the operation, then the same fields.
        const std::size_t d = function == kDibStretchBlt ? 7 : 5;
        if (Has(d + 4))
            PatternBlit(U32At(0), MapRect(S(d + 3), S(d + 2), S(d + 3) + S(d + 1), S(d + 2) + S(d)));
        return;
    }
    if (!Has(fixedWords + 8))
        return;
    const std::uint32_t rop = U32At(0);
    QRect source, dest;
    if (function == kStretchDib) {
        source = QRect(S(6), S(5), S(4), S(3));
        dest = MapRect(S(10), S(9), S(10) + S(8), S(9) + S(7));
    } else if (function == kDibStretchBlt) {
        source = QRect(S(5), S(4), S(3), S(2));
        dest = MapRect(S(9), S(8), S(9) + S(7), S(8) + S(6));
    } else {
        source = QRect(S(3), S(2), S(5), S(4));
        dest = MapRect(S(7), S(6), S(7) + S(5), S(6) + S(4));
    }
    auto decoded = DecodeDib(std::string_view(m_params + fixedWords * 2, (m_words - fixedWords) * 2));
    if (!decoded.IsOk() || dest.isEmpty())
        return;
    const QImage& image = decoded.Value();
    // A bottom-up bitmap counts StretchDIBits' source rows from its last line.
    if (function == kStretchDib)
        source.moveTop(image.height() - source.y() - source.height());
    const auto mode = RasterOpComposition(static_cast<std::uint8_t>((rop >> 16) & 0xFF));
    if (!mode)
        return;
    m_painter.save();
    m_painter.setCompositionMode(*mode);
    m_painter.drawImage(dest, image, source.normalized());
    m_painter.restore();
}

void MetafilePlayer::PatternBlit(std::uint32_t rop, const QRect& rect)
{
    if (rect.isEmpty())
        return;
    switch ((rop >> 16) & 0xFF) {
    case 0x00: m_painter.fillRect(rect, Qt::black); break;
    case 0xFF: m_painter.fillRect(rect, Qt::white); break;
    case 0xF0:
        ApplyBrush();
        m_painter.fillRect(rect, m_painter.brush());
        break;
    case 0x55:
    case 0x5A: {
        // Inverted destination, or destination exclusive-or the brush colour.
        m_painter.save();
        const bool invert = ((rop >> 16) & 0xFF) == 0x55;
        m_painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        m_painter.fillRect(rect, invert ? QColor(Qt::white) : m_state.brush.colour);
        m_painter.restore();
        break;
    }
    default: break;
    }
}

} // namespace screens
