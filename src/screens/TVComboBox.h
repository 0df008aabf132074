// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <QComboBox>

#include "screens/NativeFigure.h"

namespace screens {

// A combo box figure: an editable line with a drop-down list. It takes the shared fields, the
// border from the options word (none or a frame) and keeps its items sorted, ignoring letter
// case, when position 349 of its record is set. The text is the edit line's; text the user
// types becomes the figure's raw text. GUI thread; owned by its window.
class TVComboBox : public QComboBox, public NativeFigure {
public:
    explicit TVComboBox(QWidget* parent = nullptr);

    void Load(const AttributsFig& record) override;
    bool IsSorted() const { return m_sorted; }
    // Adds an item: at its place in the order when sorted, else at the end.
    void AddItem(const QString& item);

protected:
    void ApplyText() override;
    void ApplyBorder(NativeBorder border) override;

private:
    bool m_sorted = false;
    bool m_applyingText = false;
};

} // namespace screens
