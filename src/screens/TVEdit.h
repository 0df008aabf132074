// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>

#include <QLineEdit>

#include "screens/NativeFigure.h"

namespace screens {

// A one-line edit figure. Besides the shared fields it takes the password switch (position
// 355: every character shown as "*") and the border from the options word. The edit option
// byte of the record (position 353) is given to the constructor and kept. Text the user types
// becomes the figure's raw text. GUI thread; owned by its window.
class TVEdit : public QLineEdit, public NativeFigure {
public:
    explicit TVEdit(std::uint8_t editOption, QWidget* parent = nullptr);

    void Load(const AttributsFig& record) override;
    std::uint8_t EditOption() const { return m_editOption; }
    bool IsPassword() const { return echoMode() == QLineEdit::Password; }

protected:
    void ApplyText() override;
    void ApplyBorder(NativeBorder border) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::uint8_t m_editOption;
};

} // namespace screens
