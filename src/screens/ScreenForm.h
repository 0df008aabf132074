// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <QWidget>

namespace screens {

// The window a screen is built into: a form that owns its figures and knows its current page.
// GUI thread only.
class ScreenForm : public QWidget {
public:
    explicit ScreenForm(QWidget* parent = nullptr);

    int CurrentPage() const { return m_currentPage; }
    // Changes the page: every figure with a page layer in the window is shown exactly when the
    // page rule lets it, and the window repaints.
    void SetCurrentPage(int page);

    // The window marked inactive: its buttons ignore the mouse (while another window holds the
    // user's attention).
    void SetMarkedInactive(bool inactive) { m_markedInactive = inactive; }
    bool IsMarkedInactive() const { return m_markedInactive; }

private:
    int m_currentPage = 0;
    bool m_markedInactive = false;
};

// The form a widget lies in (the widget itself when it is one), or null.
ScreenForm* FormOf(QWidget& widget);

} // namespace screens
