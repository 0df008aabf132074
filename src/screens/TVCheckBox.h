// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <QCheckBox>

#include "screens/NativeFigure.h"

namespace screens {

// A check box figure: the shared fields of its record, the text as its caption, the back
// colour filling its rectangle. GUI thread; owned by its window.
class TVCheckBox : public QCheckBox, public NativeFigure {
public:
    explicit TVCheckBox(QWidget* parent = nullptr);

    void Load(const AttributsFig& record) override;

protected:
    void ApplyText() override;
};

} // namespace screens
