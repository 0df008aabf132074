// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QPointer>

#include "screens/Component.h"
#include "screens/ImageLists.h"

class QTabWidget;
class QWidget;

namespace screens {

class Figure;

// A native page control in place of its placeholder window figure. Its first Run (during
// loading, as the object runs each cycle) builds a tab widget in the placeholder's parent, with
// its bounds, colours and font, one page per caption; each page is a plain widget named after
// the placeholder: component name + "_S" + page index ("WINDOW1_S0"), so that objects loaded
// after it find their pages by parent name. The placeholder stays (it owns this object) but is
// hidden. Later Runs do nothing.
//
// The object owns the tab widget it built: it goes with the object. GUI thread only.
class PageControl : public Component {
public:
    // Tab styles of the data: plain tabs, buttons, flat buttons.
    enum class TabStyle : std::uint8_t { Tabs = 0, Buttons = 1, FlatButtons = 2 };

    PageControl();
    ~PageControl() override;

    void ReadData(const ClassData* data) override;
    // The first Run with a current figure replaces that figure.
    void Run() override;

    // The tab widget once built, else null.
    QTabWidget* Tabs() const;
    // Shows page `index`; false (nothing changes) when there is no such page.
    bool SelectPage(int index);
    // The index of the page shown, -1 before the control is built or without pages.
    int CurrentPage() const;
    int PageCount() const;

    // The tab images: image i shows on page i's tab. Adds picture `name` (false when none is
    // found or the list is full).
    bool AddImage(std::string_view name);
    const ImageList& Images() const { return m_images; }

    // The data as read.
    bool TabsOnTop() const { return m_tabsOnTop; }
    TabStyle Style() const { return m_tabStyle; }
    const std::vector<std::string>& Captions() const { return m_captions; }
    bool MultiLine() const { return m_multiLine; }
    bool ScrollOpposite() const { return m_scrollOpposite; }

private:
    void Build(Figure& placeholder);
    void ShowTabImages();

    bool m_tabsOnTop = true;
    TabStyle m_tabStyle = TabStyle::Tabs;
    std::vector<std::string> m_captions;
    bool m_multiLine = false;
    bool m_scrollOpposite = false;
    bool m_built = false;
    QPointer<QTabWidget> m_tabs;
    ImageList m_images;
};

} // namespace screens
