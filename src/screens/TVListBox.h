// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <QListWidget>

#include "screens/NativeFigure.h"

namespace screens {

// A list figure: the shared fields of its record. A list shows its items, not a caption; the
// text is kept as the control's window title, as a list box window keeps it. GUI thread;
// owned by its window.
class TVListBox : public QListWidget, public NativeFigure {
public:
    explicit TVListBox(QWidget* parent = nullptr);

    void Load(const AttributsFig& record) override;

protected:
    void ApplyText() override;
    void ApplyColours() override;
};

} // namespace screens
