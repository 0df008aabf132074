// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <QFrame>

#include "screens/NativeFigure.h"

namespace screens {

// A container window figure: a plain panel in its back colour whose children are figures of
// their own (the loader places them by parent name). It takes the shared fields of its record;
// the text is kept as the window title. GUI thread; owned by its window.
class TSimple : public QFrame, public NativeFigure {
public:
    explicit TSimple(QWidget* parent = nullptr);

    void Load(const AttributsFig& record) override;

protected:
    void ApplyText() override;
};

} // namespace screens
