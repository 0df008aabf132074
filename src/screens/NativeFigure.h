// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>

#include <QString>

#include "screens/Figure.h"

class QWidget;

namespace screens {

struct AttributsFig;

// How a native control's border looks, from the options word of its record.
enum class NativeBorder { None, Flat, Sunken };

// The part of every native figure (edit, memo, list, combo box, check box, container window)
// that comes from its record the same way: colours, font, page layer, text, alignment and
// bounds, and for the kinds that have one the border from the options word. The figure is the
// Qt control itself (it derives from both); GUI thread only, owned by its window.
//
// Load stores the record's fields and applies them all to the control at once; afterwards each
// setter applies just what it changed (Changed). Alignment docks the control to an edge of its
// parent (1 top, 2 bottom, 3 left, 4 right, 5 what is left), together with the parent's other
// docked figures, and follows the parent's resizing and a change of parent; 0 keeps the
// record's bounds.
class NativeFigure : public Figure {
public:
    ~NativeFigure() override;
    NativeFigure(const NativeFigure&) = delete;
    NativeFigure& operator=(const NativeFigure&) = delete;

    QWidget& Widget() override { return m_control; }
    NativeBorder Border() const { return m_border; }

    // The border the options word asks for: bit 0 none, bit 1 a single line (the later bit wins
    // when both are set; neither keeps the single line), bit 2 the three-dimensional look of
    // that line, flat otherwise.
    static NativeBorder BorderFromOptions(std::int16_t options);

protected:
    explicit NativeFigure(QWidget& control);

    // Takes the shared fields of `record` (the options word only when `withOptions`), sets the
    // bounds from its corners and applies everything to the control.
    void LoadShared(const AttributsFig& record, bool withOptions);
    void Changed(FigureChange change) override;

    // The text to show: the dictionary's translation of the raw text, as Qt text.
    QString ShownText() const;
    // Stores text that the user typed into the control as the figure's raw text.
    void StoreTypedText(const QString& text);

    // What each control does with the shared properties.
    virtual void ApplyText() = 0;
    virtual void ApplyBorder(NativeBorder) {}
    virtual void ApplyColours();

    void ApplyFont();
    void ApplyPage();
    void ApplyAlignment();

private:
    QWidget& m_control;
    NativeBorder m_border = NativeBorder::Sunken; // the look of a control before its record
    class AlignmentKeeper* m_keeper = nullptr;
    friend class AlignmentKeeper;
};

} // namespace screens
