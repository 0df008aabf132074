// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>

#include "screens/FigureProperties.h"

class QWidget;

namespace screens {

struct AttributsFig;

// What a property change touches, so that a figure redraws or re-applies only that.
enum class FigureChange {
    Look,     // colours, fill, pen, fill level, button state
    Text,     // the raw text
    Value,    // the value of bars and Value figures
    Font,     // font name, height or style
    Angle,    // rotation of texts, values and point lists
    Page,     // page layer, current page, tab count
    Geometry, // bounds, points
};

// The part every figure shares, drawn (FBase) or native (TVEdit ...): the property set and
// the setters that program code and the screen commands use. A figure lives on the GUI thread
// and is owned by its window, through the widget that Widget() returns.
//
// A setter stores the property and tells the figure through Changed(); drawn figures repaint
// just themselves, native ones apply the property to their control. Nothing is redrawn while
// the figure is loading or has no kind yet. A changed fore or back colour or filled flag raises
// the screen-changed flag.
class Figure {
public:
    virtual ~Figure() = default;

    virtual QWidget& Widget() = 0;
    const FigureProperties& Properties() const { return m_properties; }

    // Sets the kind with its defaults.
    void SetKind(std::uint8_t kind);
    // Takes the figure's look and settings from its attribute record, in the record's order.
    virtual void Load(const AttributsFig& record) = 0;

    void SetLoading(bool loading) { m_loading = loading; }
    bool IsLoading() const { return m_loading; }

    void SetForeColour(std::uint32_t colour);
    void SetBackColour(std::uint32_t colour);
    void SetFilled(bool filled);
    void SetPenStyle(std::uint8_t style);
    void SetPenWidth(std::uint8_t width);
    void SetFont(std::string name, std::int16_t height, std::uint8_t style);
    void SetPageLayer(std::uint8_t layer);
    void SetFillLevel(int level); // clamped to 0..100
    void SetFillOn(bool on);
    void SetFillColour(std::uint32_t colour);
    void SetBlinking(bool blinking);
    virtual void SetText(std::string text);
    virtual void SetValue(long double value);
    virtual void SetAngle(int degrees);

    // The page rule: a figure with a page layer shows only while its window's current page is
    // that layer (NoteBook and TabSet: layer .. layer + tab count).
    bool OnCurrentPage() const;

protected:
    FigureProperties& MutableProperties() { return m_properties; }
    // Called after a setter stored a property (never while loading or without a kind).
    virtual void Changed(FigureChange change) = 0;
    // Called by SetKind after the kind's defaults were applied, loading or not: for the state a
    // figure class keeps outside the property set (the picture of a Bmp figure, for example).
    virtual void KindChanged() {}
    void Notify(FigureChange change);

private:
    FigureProperties m_properties;
    bool m_loading = false;
};

// The figure behind a widget, or null.
Figure* FigureOf(QWidget* widget);

} // namespace screens
