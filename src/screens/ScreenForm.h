// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <functional>
#include <string>

#include <QMainWindow>

class QMenuBar;

namespace screens {

// The window a screen is built into: a form that owns its figures and knows its current page,
// its menu bar and whether it may close. GUI thread only.
//
// The loader places figures on the client area (Client()), which the menu bar, when there is
// one, leaves below itself, as a window menu does: figures keep the coordinates of the screen
// file relative to the client area. A form made without a client area (figures placed on the
// form itself) works the same without a menu.
class ScreenForm : public QMainWindow {
public:
    explicit ScreenForm(QWidget* parent = nullptr);

    // The client area, made on first use; it carries the screen name as its object name.
    QWidget& Client();
    bool HasClient() const { return m_client != nullptr; }

    int CurrentPage() const { return m_currentPage; }
    // Changes the page: every figure with a page layer in the window is shown exactly when the
    // page rule lets it, and the window repaints.
    void SetCurrentPage(int page);

    // The window marked inactive: its buttons ignore the mouse (while another window holds the
    // user's attention).
    void SetMarkedInactive(bool inactive) { m_markedInactive = inactive; }
    bool IsMarkedInactive() const { return m_markedInactive; }

    // The screen name (upper-cased), also the widget's object name.
    const std::string& ScreenName() const { return m_screenName; }
    void SetScreenName(std::string name);

    // The menu bar of the window, or null; the window owns it. Setting one replaces (and
    // deletes) the old one; null removes it.
    QMenuBar* ScreenMenuBar() const { return m_menuBar; }
    void SetScreenMenuBar(QMenuBar* menuBar);

    // The dialog flag of a window with a dialog border.
    bool IsDialog() const { return m_dialog; }
    void SetDialog(bool dialog) { m_dialog = dialog; }

    // The picture name that shapes the window (a Bmp figure in display mode 2), as given.
    const std::string& ShapePicture() const { return m_shapePicture; }
    void SetShapePicture(std::string name) { m_shapePicture = std::move(name); }

    // Whether the window may be closed by the user (the main window's close permission and
    // SETCANCLOSE); a refused close leaves it open.
    bool CanClose() const { return m_canClose; }
    void SetCanClose(bool canClose) { m_canClose = canClose; }

    // Called once when the window has closed (it stays alive, hidden).
    void SetClosedHandler(std::function<void()> handler) { m_onClosed = std::move(handler); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    int m_currentPage = 0;
    bool m_markedInactive = false;
    bool m_dialog = false;
    bool m_canClose = true;
    std::string m_screenName;
    std::string m_shapePicture;
    QMenuBar* m_menuBar = nullptr;
    QWidget* m_client = nullptr;
    std::function<void()> m_onClosed;
};

// The form a widget lies in (the widget itself when it is one), or null.
ScreenForm* FormOf(QWidget& widget);

} // namespace screens
