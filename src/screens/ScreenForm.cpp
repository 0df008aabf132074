// Quorva run-time. Licensed under the MIT licence.
#include "screens/ScreenForm.h"

#include "screens/Figure.h"

namespace screens {

ScreenForm::ScreenForm(QWidget* parent) : QWidget(parent) {}

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

ScreenForm* FormOf(QWidget& widget)
{
    for (QWidget* current = &widget; current != nullptr; current = current->parentWidget())
        if (auto* form = dynamic_cast<ScreenForm*>(current))
            return form;
    return nullptr;
}

} // namespace screens
