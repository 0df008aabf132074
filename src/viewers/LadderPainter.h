// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include <QColor>
#include <QFont>
#include <QRect>
#include <QSize>
#include <QStaticText>
#include <QString>

#include "viewers/LadderGrid.h"

class QPainter;

namespace viewers {

// Colours of the diagrams (Windows values 0x00BBGGRR turned into Qt colours).
inline const QColor kLadderActiveGrey(0xC0, 0xC0, 0xC0);     // 0xC0C0C0
inline const QColor kLadderNameBlue(0x00, 0x00, 0xFF);       // 0xFF0000
inline const QColor kLadderInputRed(0xFF, 0x00, 0x00);       // 0x0000FF
inline const QColor kLadderTitleRed(0x80, 0x00, 0x00);       // 0x000080
inline const QColor kLadderValueNavy(0x00, 0x00, 0x80);      // 0x800000
inline const QColor kLadderCommentPurple(0x80, 0x00, 0x80);  // 0x800080
inline const QColor kLadderSegmentFill(0xFF, 0xD1, 0xBB);    // 0xBBD1FF

// The diagrams' canvas font: Arial (its metric-compatible stand-in) at a size in points on a
// 96 pixels-per-inch canvas, without anti-aliasing so that texts keep their exact colours.
QFont LadderCanvasFont(int points, bool italic = false);

// Draws ladder cells at one zoom level. Made again when the level or the colours change; holds
// the level's fonts and the squeezed widths it found. GUI thread.
//
// Painting a cell (black pen, solid brush): when `live` and the cell is a contact or coil whose
// last shown state is true, the cell is first filled light grey; then the cell's symbol by kind,
// then the names. Texts that do not fit the space they are drawn in are squeezed, except in the
// last column, whose texts run on to the right.
class LadderPainter {
public:
    LadderPainter(const LadderGeometry& geometry, int zoomLevel, QColor viewerColour,
                  QColor fontColour);

    // Draws the cell at its rectangle in the painter's coordinates (the caller translates the
    // painter to place the virtual area). `live`: the cell is drawn with its last shown state
    // (refresh has run).
    void Paint(QPainter& painter, const LadderCell& cell, bool live);

    // The width of "LADDERBB" in the canvas font: the cell width of the level.
    int MeasuredCellWidth() const;
    // The width of a code-page text in the canvas font (italic for comments).
    int TextWidth(std::string_view codePageText, bool italic) const;
    const QFont& Font() const { return m_font; }
    int TextHeight() const { return m_textHeight; }

private:
    void PaintContact(QPainter& painter, const LadderCell& cell);
    void PaintCoil(QPainter& painter, const LadderCell& cell, const QColor& background);
    void PaintBox(QPainter& painter, const LadderCell& cell, bool live);
    void PaintSegment(QPainter& painter, const LadderCell& cell);
    void PaintComment(QPainter& painter, const LadderCell& cell);
    void PaintProgram(QPainter& painter, const LadderCell& cell);
    void PaintNames(QPainter& painter, const LadderCell& cell);
    void Text(QPainter& painter, const QRect& box, int alignment, std::string_view codePageText,
              const QColor& colour, bool italic, bool squeeze = true);

    // A text laid out once for a box width: its font (squeezed when asked and needed), its
    // size, and the layout that drawing reuses.
    struct PreparedText {
        QString text;
        QFont font;
        QStaticText layout;
        QSize size;
    };
    const PreparedText& Prepare(std::string_view codePageText, bool italic, int boxWidth,
                                bool squeeze);

    LadderGeometry m_geometry;
    int m_level;
    QColor m_viewerColour;
    QColor m_fontColour;
    QFont m_font;
    QFont m_italic;
    int m_textHeight = 0;
    int m_squeezeStart = 11;
    // Found by the text without copying it.
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    using TextTable = std::unordered_map<std::string, PreparedText, TextHash, std::equal_to<>>;
    // By box width, italic and squeeze (the key's low two bits), then by text.
    std::unordered_map<std::uint64_t, TextTable> m_prepared;
    std::size_t m_preparedCount = 0;
};

} // namespace viewers
