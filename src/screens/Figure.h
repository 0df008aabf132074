// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QPointer>

#include "screens/FigureProperties.h"

class QWidget;

namespace screens {

struct AttributsFig;
class Component;

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
    Figure();
    virtual ~Figure();
    Figure(const Figure&) = delete;
    Figure& operator=(const Figure&) = delete;

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
    // A Value's decimals (NoteBook, TabSet: their page value).
    void SetDecimals(std::uint8_t decimals);

    // The page rule: a figure with a page layer shows only while its window's current page is
    // that layer (NoteBook and TabSet: layer .. layer + tab count).
    bool OnCurrentPage() const;

    // The screen object the record's class made for this figure, or null. The figure owns it;
    // a drawn figure paints the object's face over its shape when the object has one.
    Component* ScreenObject() const { return m_screenObject.get(); }
    void AttachScreenObject(std::unique_ptr<Component> object);

    // The class name and the object name of the record, upper-cased; the object name is also
    // the widget's.
    void SetNames(std::string className, std::string componentName);
    // The record's second link key and program-block unit name (screen files above version 3).
    void SetLinkKeys(std::int32_t secondLinkKey, std::string unitName);

    // The chain of linked figures (same link group or second link key, in creation order).
    Figure* LinkNext() const;
    Figure* LinkPrevious() const;
    void SetLinkNext(Figure* next);
    void SetLinkPrevious(Figure* previous);

    // The figure's hint: `text` translated becomes its tooltip (hints on); the untranslated
    // text is kept as the design hint the first time. An empty text changes nothing.
    void ApplyHint(const std::string& text);
    const std::string& DesignHint() const { return m_designHint; }

protected:
    FigureProperties& MutableProperties() { return m_properties; }
    // Called after a setter stored a property (never while loading or without a kind).
    virtual void Changed(FigureChange change) = 0;
    // Called by SetKind after the kind's defaults were applied, loading or not: for the state a
    // figure class keeps outside the property set (the picture of a Bmp figure, for example).
    virtual void KindChanged() {}
    void Notify(FigureChange change);

    // Called after a screen object was attached (a drawn figure installs its face painter).
    virtual void ScreenObjectAttached() {}

private:
    FigureProperties m_properties;
    bool m_loading = false;
    std::unique_ptr<Component> m_screenObject;
    QPointer<QWidget> m_linkNext;
    QPointer<QWidget> m_linkPrevious;
    std::string m_designHint;
};

// The figure behind a widget, or null.
Figure* FigureOf(QWidget* widget);

} // namespace screens
