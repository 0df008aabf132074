// Quorva run-time. Licensed under the MIT licence.
#include "viewers/LadderPainter.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPainter>

#include "platform/CodePage.h"
#include "screens/FigureFont.h"

namespace viewers {
namespace {

constexpr int kCanvasPixelsPerInch = 96;
// The average character width squeezing starts from, and at the large-scale level.
constexpr int kSqueezeStart = 11;
constexpr int kLargeSqueezeStart = 40;
// Mnemonic 1 shows this many characters under its symbol.
constexpr std::size_t kMnemonicCharacters = 9;

QString ToQt(std::string_view codePageText) {
    const bool ascii = std::all_of(codePageText.begin(), codePageText.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii)
        return QString::fromLatin1(codePageText.data(), static_cast<qsizetype>(codePageText.size()));
    return QString::fromStdString(platform::CodePageToUtf8(codePageText));
}

bool IsCoil(std::uint8_t kind) {
    return kind == ladderkind::kCoil || kind == ladderkind::kSetCoil ||
           kind == ladderkind::kResetCoil;
}

bool IsContact(std::uint8_t kind) {
    return kind == ladderkind::kContact || kind == ladderkind::kClosedContact ||
           kind == ladderkind::kRisingContact || kind == ladderkind::kFallingContact;
}

// A letter drawn centred on a point, never squeezed.
void Letter(QPainter& painter, QPoint centre, const QString& letter, const QFont& font,
            const QColor& colour) {
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(QRect(centre.x() - 50, centre.y() - 50, 101, 101), Qt::AlignCenter, letter);
}

} // namespace

QFont LadderCanvasFont(int points, bool italic) {
    QFont font = screens::FigureFont("Arial", screens::HeightFromPoints(points, kCanvasPixelsPerInch),
                                     italic ? screens::kFontItalic : 0);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

LadderPainter::LadderPainter(const LadderGeometry& geometry, int zoomLevel, QColor viewerColour,
                             QColor fontColour)
    : m_geometry(geometry), m_level(zoomLevel), m_viewerColour(viewerColour),
      m_fontColour(fontColour), m_font(LadderCanvasFont(geometry.fontSize)),
      m_italic(LadderCanvasFont(geometry.fontSize, true)),
      m_textHeight(QFontMetrics(m_font).height()),
      m_squeezeStart(zoomLevel == kLadderLargeZoom ? kLargeSqueezeStart : kSqueezeStart) {}

int LadderPainter::MeasuredCellWidth() const {
    return QFontMetrics(m_font).horizontalAdvance(QStringLiteral("LADDERBB"));
}

int LadderPainter::TextWidth(std::string_view codePageText, bool italic) const {
    return QFontMetrics(italic ? m_italic : m_font).horizontalAdvance(ToQt(codePageText));
}

// Texts are laid out once per box width and kept: refreshing draws the same names again and
// again. The store is emptied when it grows past a bound (values that keep changing).
const LadderPainter::PreparedText& LadderPainter::Prepare(std::string_view codePageText,
                                                          bool italic, int boxWidth,
                                                          bool squeeze) {
    constexpr std::size_t kMaxPrepared = 20000;
    const std::uint64_t kind = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(boxWidth)) << 2) |
                               (italic ? 2u : 0u) | (squeeze ? 1u : 0u);
    TextTable& table = m_prepared[kind];
    if (auto found = table.find(codePageText); found != table.end())
        return found->second;
    if (m_preparedCount >= kMaxPrepared) {
        for (auto& [unused, other] : m_prepared)
            other.clear();
        m_preparedCount = 0;
    }
    PreparedText prepared;
    prepared.text = ToQt(codePageText);
    prepared.font = italic ? m_italic : m_font;
    const QFontMetrics metrics(prepared.font);
    int width = metrics.horizontalAdvance(prepared.text);
    if (squeeze && boxWidth > 0 && width > boxWidth) {
        const int average = std::max(1, metrics.averageCharWidth());
        for (int charWidth = m_squeezeStart; charWidth >= 1; --charWidth) {
            prepared.font.setStretch(std::clamp(charWidth * 100 / average, 1, 4000));
            width = QFontMetrics(prepared.font).horizontalAdvance(prepared.text);
            if (width <= boxWidth)
                break;
        }
    }
    prepared.size = QSize(width, QFontMetrics(prepared.font).height());
    prepared.layout = QStaticText(prepared.text);
    prepared.layout.setTextFormat(Qt::PlainText);
    prepared.layout.prepare(QTransform(), prepared.font);
    ++m_preparedCount;
    return table.emplace(std::string(codePageText), std::move(prepared)).first->second;
}

void LadderPainter::Text(QPainter& painter, const QRect& box, int alignment,
                         std::string_view codePageText, const QColor& colour, bool italic,
                         bool squeeze) {
    if (codePageText.empty())
        return;
    painter.setPen(colour);
    const PreparedText& prepared = Prepare(codePageText, italic, box.width(), squeeze);
    painter.setFont(prepared.font);
    // Word-wrapped texts and texts wider than their box (cut at it) take the general path.
    if ((alignment & Qt::TextWordWrap) != 0 || prepared.size.width() > box.width()) {
        painter.drawText(box, alignment, prepared.text);
        return;
    }
    int x = box.left();
    if ((alignment & Qt::AlignRight) != 0)
        x = box.right() + 1 - prepared.size.width();
    else if ((alignment & Qt::AlignHCenter) != 0)
        x = box.left() + (box.width() - prepared.size.width()) / 2;
    int y = box.top();
    if ((alignment & Qt::AlignBottom) != 0)
        y = box.bottom() + 1 - prepared.size.height();
    else if ((alignment & Qt::AlignVCenter) != 0)
        y = box.top() + (box.height() - prepared.size.height()) / 2;
    painter.drawStaticText(QPoint(x, y), prepared.layout);
}

void LadderPainter::Paint(QPainter& painter, const LadderCell& cell, bool live) {
    const std::uint8_t kind = cell.record.kind;
    const bool active = live && IsBooleanKind(kind) && cell.lastState;
    if (active)
        painter.fillRect(cell.rect, kLadderActiveGrey);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    if (IsContact(kind)) {
        PaintContact(painter, cell);
    } else if (IsCoil(kind)) {
        PaintCoil(painter, cell, active ? kLadderActiveGrey : m_viewerColour);
    } else if (kind == ladderkind::kWire) {
        const int middle = cell.rect.top() + cell.rect.height() / 2;
        painter.drawLine(cell.rect.left(), middle, cell.rect.right(), middle);
    } else if (kind == ladderkind::kBoxTop || kind == ladderkind::kBoxInput ||
               kind == ladderkind::kBoxOutput || kind == ladderkind::kBoxOutputAlt) {
        PaintBox(painter, cell, live);
    } else if (kind == ladderkind::kSegment) {
        PaintSegment(painter, cell);
    } else if (kind == ladderkind::kComment) {
        PaintComment(painter, cell);
    } else if (kind == ladderkind::kProgram) {
        PaintProgram(painter, cell);
    }
    if (IsContact(kind) || IsCoil(kind) || kind == ladderkind::kNamed)
        PaintNames(painter, cell);
}

// Wires from both edges to two bars of pen width 2 at the half-width either side of the middle,
// the half-height high; the normally closed contact's diagonal, the edge contacts' letter.
void LadderPainter::PaintContact(QPainter& painter, const LadderCell& cell) {
    const QRect& r = cell.rect;
    const int cx = r.left() + r.width() / 2;
    const int cy = r.top() + r.height() / 2;
    const int hw = m_geometry.contactHalfWidth;
    const int hh = m_geometry.contactHalfHeight;
    painter.drawLine(r.left(), cy, cx - hw - 2, cy);
    painter.drawLine(cx + hw + 2, cy, r.right(), cy);
    painter.fillRect(QRect(cx - hw - 1, cy - hh, 2, 2 * hh + 1), Qt::black);
    painter.fillRect(QRect(cx + hw, cy - hh, 2, 2 * hh + 1), Qt::black);
    switch (cell.record.kind) {
    case ladderkind::kClosedContact:
        painter.drawLine(cx - hw, cy + hh, cx + hw, cy - hh);
        break;
    case ladderkind::kRisingContact:
        Letter(painter, {cx, cy}, QStringLiteral("P"), m_font, m_fontColour);
        break;
    case ladderkind::kFallingContact:
        Letter(painter, {cx, cy}, QStringLiteral("N"), m_font, m_fontColour);
        break;
    default:
        break;
    }
}

// Wires to a circle of pen width 2 (radius: half-height + 2) whose middle band, the half-width
// either side, is painted over in the cell's background so that two arcs remain (over a grey
// active cell the band is grey too). In the second-to-last column a bar at the right edge closes
// the rung.
void LadderPainter::PaintCoil(QPainter& painter, const LadderCell& cell, const QColor& background) {
    const QRect& r = cell.rect;
    const int cx = r.left() + r.width() / 2;
    const int cy = r.top() + r.height() / 2;
    const int hw = m_geometry.contactHalfWidth;
    const int radius = m_geometry.contactHalfHeight + 2;
    painter.drawLine(r.left(), cy, cx - radius, cy);
    painter.drawLine(cx + radius, cy, r.right(), cy);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawEllipse(QPoint(cx, cy), radius, radius);
    painter.setPen(QPen(Qt::black, 1));
    painter.fillRect(QRect(cx - hw, cy - radius - 2, 2 * hw + 1, 2 * radius + 5), background);
    if (cell.record.kind == ladderkind::kSetCoil)
        Letter(painter, {cx, cy}, QStringLiteral("S"), m_font, m_fontColour);
    else if (cell.record.kind == ladderkind::kResetCoil)
        Letter(painter, {cx, cy}, QStringLiteral("R"), m_font, m_fontColour);
    if (cell.secondLastColumn)
        painter.fillRect(QRect(r.right() - 1, r.top(), 2, r.height()), Qt::black);
}

// The parts of a function box, whose sides stand the box inset in from the cell's edges.
void LadderPainter::PaintBox(QPainter& painter, const LadderCell& cell, bool live) {
    const LadderCellRecord& record = cell.record;
    const QRect& r = cell.rect;
    const int cy = r.top() + r.height() / 2;
    const int inset = m_geometry.boxInset;
    const int left = std::min(r.left() + inset, r.left() + r.width() / 2);
    const int right = std::max(r.right() - inset, left);
    const int bottom = record.frameBottom != 0 ? r.bottom() - 3 : r.bottom();
    const int top = record.kind == ladderkind::kBoxTop ? cy : r.top();
    const int pinRadius = std::max(2, m_geometry.contactHalfHeight / 2);
    const bool wired = record.labelStyle == 1;
    const bool named = record.labelStyle != 1 && record.labelStyle != 4;

    painter.drawLine(left, top, left, bottom);
    painter.drawLine(right, top, right, bottom);
    if (record.frameBottom != 0)
        painter.drawLine(left, bottom, right, bottom);

    switch (record.kind) {
    case ladderkind::kBoxTop: {
        painter.drawLine(left, cy, right, cy);
        painter.drawLine(r.left(), cy, left, cy);
        const QRect title(left + 1, cy + 1, right - left - 1, std::max(1, bottom - cy - 1));
        Text(painter, title, Qt::AlignCenter, record.boxName, Qt::white, false);
        Text(painter, title.translated(-1, -1), Qt::AlignCenter, record.boxName, kLadderTitleRed,
             false);
        break;
    }
    case ladderkind::kBoxInput:
        painter.drawLine(wired ? r.left() : left - inset / 2, cy, left, cy);
        if (record.negation != 0) {
            painter.setBrush(m_viewerColour);
            painter.drawEllipse(QPoint(left - pinRadius, cy), pinRadius, pinRadius);
            painter.setBrush(Qt::NoBrush);
        }
        Text(painter, QRect(left + 2, r.top(), right - left - 3, r.height()),
             Qt::AlignLeft | Qt::AlignVCenter, record.leftLabel, m_fontColour, false);
        if (named)
            Text(painter, QRect(r.left() + 1, cy - 1 - m_textHeight, left - r.left() - 2, m_textHeight),
                 Qt::AlignRight | Qt::AlignBottom, record.variable, kLadderInputRed, false);
        break;
    default: // the output pins
        painter.drawLine(right, cy, wired ? r.right() : right + inset / 2, cy);
        if (record.negation != 0) {
            painter.setBrush(m_viewerColour);
            painter.drawEllipse(QPoint(right + pinRadius, cy), pinRadius, pinRadius);
            painter.setBrush(Qt::NoBrush);
        }
        Text(painter, QRect(left + 2, r.top(), right - left - 3, r.height()),
             Qt::AlignRight | Qt::AlignVCenter, record.rightLabel, m_fontColour, false);
        if (named)
            Text(painter, QRect(right + 2, cy - 1 - m_textHeight, r.right() - right - 2, m_textHeight),
                 Qt::AlignLeft | Qt::AlignBottom, record.variable, kLadderNameBlue, false);
        break;
    }
    if (live && record.kind != ladderkind::kBoxTop)
        Text(painter, QRect(r.left(), r.top(), r.width(), m_textHeight),
             Qt::AlignHCenter | Qt::AlignTop, cell.lastText, kLadderValueNavy, false);
}

void LadderPainter::PaintSegment(QPainter& painter, const LadderCell& cell) {
    const QRect box = cell.rect.adjusted(1, 1, -1, -1);
    const int radius = std::max(2, cell.rect.height() / 5);
    painter.setBrush(kLadderSegmentFill);
    painter.drawRoundedRect(box, radius, radius);
    painter.setBrush(Qt::NoBrush);
    Text(painter, box, Qt::AlignCenter, "Segment : " + std::to_string(cell.record.segment),
         m_fontColour, false);
}

// One line, or at the large-scale level word-wrapped in a rectangle three cells high. A comment
// in the last column runs on to the right of its cell.
void LadderPainter::PaintComment(QPainter& painter, const LadderCell& cell) {
    const QRect& r = cell.rect;
    const int offset = std::min(2, r.width() / 4);
    if (m_level == kLadderLargeZoom) {
        Text(painter, QRect(r.left() + offset, r.top(), r.width() - 2 * offset, 3 * r.height()),
             Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, cell.record.variable,
             kLadderCommentPurple, true, false);
        return;
    }
    if (cell.lastColumn) {
        const int width = TextWidth(cell.record.variable, true) + 2;
        Text(painter, QRect(r.left() + offset, r.top(), std::max(width, r.width()), r.height()),
             Qt::AlignLeft | Qt::AlignVCenter, cell.record.variable, kLadderCommentPurple, true,
             false);
        return;
    }
    Text(painter, QRect(r.left() + offset, r.top(), r.width() - 2 * offset, r.height()),
         Qt::AlignLeft | Qt::AlignVCenter, cell.record.variable, kLadderCommentPurple, true);
}

// Wires on both sides of a grey panel (inset by a quarter of the box inset) with white
// highlights on its top and left edges, holding "Prog" and the program number.
void LadderPainter::PaintProgram(QPainter& painter, const LadderCell& cell) {
    const QRect& r = cell.rect;
    const int cy = r.top() + r.height() / 2;
    const int quarter = m_geometry.boxInset / 4;
    const QRect panel = r.adjusted(quarter, quarter, -quarter, -quarter);
    painter.drawLine(r.left(), cy, panel.left(), cy);
    painter.drawLine(panel.right(), cy, r.right(), cy);
    painter.fillRect(panel, kLadderActiveGrey);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawLine(panel.topLeft(), panel.topRight());
    painter.drawLine(panel.topLeft(), panel.bottomLeft());
    painter.setPen(QPen(Qt::black, 1));
    Text(painter, panel, Qt::AlignCenter, "Prog" + std::to_string(cell.record.program),
         m_fontColour, false);
}

// The variable name of contacts, coils and named cells (not in the last column): centred at the
// top for label styles 1, 4 and above 5, else right-aligned at the right edge less the text
// offset, just above mid-height; then mnemonic 1's first characters centred below the symbol.
void LadderPainter::PaintNames(QPainter& painter, const LadderCell& cell) {
    if (cell.lastColumn)
        return;
    const LadderCellRecord& record = cell.record;
    const QRect& r = cell.rect;
    const int cy = r.top() + r.height() / 2;
    const std::uint8_t style = record.labelStyle;
    if (style == 1 || style == 4 || style > 5)
        Text(painter, QRect(r.left(), r.top() + 1, r.width(), m_textHeight),
             Qt::AlignHCenter | Qt::AlignTop, record.variable, kLadderNameBlue, false);
    else
        Text(painter,
             QRect(r.left() + 1, cy - 1 - m_textHeight,
                   r.width() - m_geometry.textOffset - 1, m_textHeight),
             Qt::AlignRight | Qt::AlignBottom, record.variable, kLadderNameBlue, false);
    const int symbolBottom = cy + m_geometry.contactHalfHeight + (IsCoil(record.kind) ? 3 : 1);
    Text(painter, QRect(r.left(), symbolBottom + 1, r.width(), m_textHeight),
         Qt::AlignHCenter | Qt::AlignTop,
         std::string_view(record.mnemonic1).substr(0, kMnemonicCharacters), kLadderCommentPurple,
         true);
}

} // namespace viewers
