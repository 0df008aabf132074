// Quorva run-time. Licensed under the MIT licence.
#include "screens/PageControl.h"

#include <QTabBar>
#include <QTabWidget>

#include "platform/CodePage.h"
#include "screens/ClassFields.h"
#include "screens/Figure.h"
#include "screens/PlaceholderControl.h"
#include "screens/ScreenGlobals.h"

namespace screens {

PageControl::PageControl() : Component("PageControl", 145) {}

PageControl::~PageControl()
{
    delete m_tabs.data();
}

void PageControl::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_tabsOnTop = NumberField(data, "tabsOnTop", 1) != 0;
    switch (NumberField(data, "tabStyle")) {
    case 1: m_tabStyle = TabStyle::Buttons; break;
    case 2: m_tabStyle = TabStyle::FlatButtons; break;
    default: m_tabStyle = TabStyle::Tabs; break;
    }
    m_captions = ItemsField(data, "pageCaptions");
    m_multiLine = NumberField(data, "multiLineTabs") != 0;
    m_scrollOpposite = NumberField(data, "tabsScrollOpposite") != 0;
}

void PageControl::Run()
{
    Figure* placeholder = PlaceholderOnFirstRun(m_built);
    if (placeholder == nullptr)
        return;
    Build(*placeholder);
}

void PageControl::Build(Figure& placeholder)
{
    QWidget& old = placeholder.Widget();
    auto* tabs = new QTabWidget(old.parentWidget());
    tabs->setTabPosition(m_tabsOnTop ? QTabWidget::North : QTabWidget::South);
    // Button-styled tabs have no Qt equivalent; the frameless document look comes closest.
    tabs->setDocumentMode(m_tabStyle != TabStyle::Tabs);
    // Several rows of tabs show every tab at once; Qt has one row, so it shows them all without
    // scroll buttons instead, shortening captions where needed. The rows' order after a click
    // (scroll opposite) has no Qt equivalent.
    if (m_multiLine) {
        tabs->setUsesScrollButtons(false);
        tabs->setElideMode(Qt::ElideRight);
    }

    const std::string& name = placeholder.Properties().componentName;
    for (std::size_t i = 0; i < m_captions.size(); ++i) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromStdString(name + "_S" + std::to_string(i)));
        page->setAutoFillBackground(true);
        const std::string caption = platform::CodePageToUtf8(DisplayText(m_captions[i]));
        tabs->addTab(page, QString::fromStdString(caption));
    }

    ReplacePlaceholder(old, *tabs);
    m_tabs = tabs;
    ShowTabImages();
}

QTabWidget* PageControl::Tabs() const
{
    return m_tabs.data();
}

bool PageControl::SelectPage(int index)
{
    if (m_tabs == nullptr || index < 0 || index >= m_tabs->count())
        return false;
    m_tabs->setCurrentIndex(index);
    return true;
}

int PageControl::CurrentPage() const
{
    return m_tabs != nullptr ? m_tabs->currentIndex() : -1;
}

bool PageControl::AddImage(std::string_view name)
{
    if (!m_images.Add(name))
        return false;
    ShowTabImages();
    return true;
}

void PageControl::ShowTabImages()
{
    if (m_tabs == nullptr)
        return;
    m_tabs->setIconSize(m_images.ImageSize());
    for (int page = 0; page < m_tabs->count() && page < m_images.Count(); ++page)
        m_tabs->setTabIcon(page, m_images.Icon(page));
}

int PageControl::PageCount() const
{
    return m_tabs != nullptr ? m_tabs->count() : 0;
}

} // namespace screens
