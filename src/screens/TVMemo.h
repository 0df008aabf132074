// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <QPlainTextEdit>

#include "screens/NativeFigure.h"

namespace screens {

// A multi-line edit figure: the shared fields, the border from the options word and the scroll
// bars of its record (position 353 horizontal, 354 vertical; a bar that is asked for is always
// shown, lines are wrapped only without a horizontal bar). Text the user types becomes the
// figure's raw text. GUI thread; owned by its window.
class TVMemo : public QPlainTextEdit, public NativeFigure {
public:
    explicit TVMemo(QWidget* parent = nullptr);

    void Load(const AttributsFig& record) override;

protected:
    void ApplyText() override;
    void ApplyBorder(NativeBorder border) override;
    void ApplyColours() override;

private:
    bool m_applyingText = false;
};

} // namespace screens
