// Quorva run-time. Licensed under the MIT licence.
#include "screens/ScreenForm.h"

#include <QCloseEvent>
#include <QMenuBar>

#include "screens/Figure.h"

namespace screens {

ScreenForm::ScreenForm(QWidget* parent) : QMainWindow(parent)
{
    // A screen window is a plain window: no dock areas, no status bar, no context menu.
    setContextMenuPolicy(Qt::NoContextMenu);
}

QWidget& ScreenForm::Client()
{
    if (m_client == nullptr) {
        m_client = new QWidget(this);
        m_client->setObjectName(QString::fromStdString(m_screenName));
        setCentralWidget(m_client);
    }
    return *m_client;
}

void ScreenForm::SetCurrentPage(int page)
{
    m_currentPage = page;
    for (QWidget* child : findChildren<QWidget*>()) {
        Figure* figure = FigureOf(child);
        if (figure == nullptr || figure->Properties().pageLayer == 0)
            continue;
        child->setVisible(figure->OnCurrentPage());
    }
    update();
}

void ScreenForm::SetScreenName(std::string name)
{
    m_screenName = std::move(name);
    setObjectName(QString::fromStdString(m_screenName));
    if (m_client != nullptr)
        m_client->setObjectName(objectName());
}

void ScreenForm::SetScreenMenuBar(QMenuBar* menuBar)
{
    if (m_menuBar == menuBar)
        return;
    QMenuBar* old = m_menuBar;
    m_menuBar = menuBar;
    if (menuBar != nullptr) {
        setMenuBar(menuBar); // the main window deletes the bar it held
    } else if (old != nullptr) {
        setMenuWidget(nullptr); // the main window deletes the bar it held
    }
}

void ScreenForm::closeEvent(QCloseEvent* event)
{
    if (!m_canClose) {
        event->ignore();
        return;
    }
    event->accept();
    if (m_onClosed)
        m_onClosed();
}

ScreenForm* FormOf(QWidget& widget)
{
    for (QWidget* current = &widget; current != nullptr; current = current->parentWidget())
        if (auto* form = dynamic_cast<ScreenForm*>(current))
            return form;
    return nullptr;
}

} // namespace screens
