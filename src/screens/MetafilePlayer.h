// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>

#include "screens/MetafileImage.h"

namespace screens {

// Plays the records of one metafile with a QPainter, once: the common drawing records of GDI
// (window origin and extent, pens, brushes, fonts, object selection, lines, rectangles, rounded
// rectangles, ellipses, arcs, pies, chords, polygons, polylines, texts, bitmaps, clipping
// rectangles, saved states). Other records are skipped. Every record's parameters are checked
// against its length before they are read; a record too short for what it needs is skipped.
// Logical coordinates are mapped onto `target` with the metafile's window; lines follow the
// Windows pixel conventions (right and bottom edges excluded, no antialiasing).
class MetafilePlayer {
public:
    MetafilePlayer(const MetafileImage& metafile, QPainter& painter, const QRect& target);
    ~MetafilePlayer();
    MetafilePlayer(const MetafilePlayer&) = delete;
    MetafilePlayer& operator=(const MetafilePlayer&) = delete;

    void Run();

private:
    struct PenObject {
        std::uint16_t style = 0;
        int width = 0;
        QColor colour = Qt::black;
    };
    struct BrushObject {
        std::uint16_t style = 0;
        QColor colour = Qt::white;
        std::uint16_t hatch = 0;
        QImage pattern; // of a bitmap brush
    };
    struct FontObject {
        int height = 0;
        int escapement = 0;
        int weight = 400;
        bool italic = false, underline = false, strikeOut = false;
        std::string face; // code-page bytes
    };
    enum class ObjectKind { Free, Pen, Brush, Font, Other };
    struct Object {
        ObjectKind kind = ObjectKind::Free;
        PenObject pen;
        BrushObject brush;
        FontObject font;
    };
    struct State {
        PenObject pen;
        BrushObject brush;
        FontObject font;
        QColor textColour = Qt::black;
        QColor backColour = Qt::white;
        bool opaque = true;
        bool winding = false;
        std::uint16_t textAlign = 0;
        QPoint position;
        QPoint windowOrg;
        QSize windowExt;
    };

    void Play(const MetafileImage::Record& record);
    // Parameter word `index` of the current record (the caller checked the count).
    std::int16_t S(std::size_t index) const;
    std::uint16_t U(std::size_t index) const;
    std::uint32_t U32At(std::size_t index) const;
    bool Has(std::size_t words) const { return m_words >= words; }

    QPoint Map(int x, int y) const;
    QRect MapRect(int left, int top, int right, int bottom) const;
    int MapLength(int length, bool vertical) const;
    void AddObject(const Object& object);
    void Select(std::uint16_t index);
    void Delete(std::uint16_t index);
    void ApplyPen();
    void ApplyBrush();

    void CreatePen();
    void CreateBrush(bool dibPattern);
    void CreateFont();
    void Rectangle(bool rounded);
    void Ellipse();
    void ArcFamily(int kind);
    void PolyPoints(bool polygon);
    void PolyPolygon();
    void Text(bool extended);
    void DrawText(const QPoint& at, const std::string& bytes);
    void Bitmap(std::uint16_t function);
    void PatternBlit(std::uint32_t rop, const QRect& rect);
    void SaveState();
    void RestoreState(int which);

    const MetafileImage& m_metafile;
    QPainter& m_painter;
    QRect m_target;
    State m_state;
    std::vector<Object> m_objects;
    std::size_t m_firstFree = 0; // no slot below it is free
    std::vector<State> m_saved;
    int m_painterSaves = 0;
    // The record being played.
    const char* m_params = nullptr;
    std::size_t m_words = 0;
};

} // namespace screens
