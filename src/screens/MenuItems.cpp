// Quorva run-time. Licensed under the MIT licence.
#include "screens/MenuItems.h"

#include <cstdint>
#include <string>

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "screens/Picture.h"
#include "screens/ScreenForm.h"

namespace screens {

namespace {

struct Found {
    QAction* item = nullptr;
    QMenu* parent = nullptr; // the sub-menu that holds it; null on the bar
};

Found FindIn(const QList<QAction*>& actions, QMenu* parent, std::int16_t number)
{
    for (QAction* action : actions) {
        const QVariant data = action->data();
        if (data.isValid() && static_cast<std::int16_t>(data.toInt()) == number)
            return {action, parent};
        if (QMenu* menu = action->menu()) {
            if (Found found = FindIn(menu->actions(), menu, number); found.item != nullptr)
                return found;
        }
    }
    return {};
}

Found Find(ScreenForm& window, int number)
{
    QMenuBar* bar = window.ScreenMenuBar();
    if (bar == nullptr)
        return {};
    return FindIn(bar->actions(), nullptr, static_cast<std::int16_t>(number));
}

QString ToQt(std::string_view text)
{
    return QString::fromStdString(platform::CodePageToUtf8(text));
}

} // namespace

QAction* FindMenuItem(ScreenForm& window, int number)
{
    return Find(window, number).item;
}

bool IsMenuItemChecked(ScreenForm& window, int number)
{
    QAction* item = FindMenuItem(window, number);
    return item != nullptr && item->isChecked();
}

bool ToggleMenuItemCheck(ScreenForm& window, int number)
{
    QAction* item = FindMenuItem(window, number);
    if (item == nullptr)
        return false;
    item->setCheckable(true);
    item->setChecked(!item->isChecked());
    return true;
}

bool SetMenuItemEnabled(ScreenForm& window, int number, bool enabled)
{
    QAction* item = FindMenuItem(window, number);
    if (item == nullptr)
        return false;
    item->setEnabled(enabled);
    return true;
}

bool SetMenuItemCaption(ScreenForm& window, int number, std::string_view caption)
{
    QAction* item = FindMenuItem(window, number);
    if (item == nullptr)
        return false;
    item->setText(ToQt(caption));
    return true;
}

bool SetMenuItemPicture(ScreenForm& window, int number, std::string_view pictureName)
{
    QAction* item = FindMenuItem(window, number);
    if (item == nullptr)
        return false;
    const Picture picture = LoadFigurePicture(pictureName, Picture{});
    if (picture.image.isNull()) {
        platform::LogDebug("menu item {}: no picture {}", number,
                           platform::CodePageToUtf8(pictureName));
        return false;
    }
    item->setIcon(QIcon(QPixmap::fromImage(picture.image)));
    return true;
}

bool SetBarEntryCaption(ScreenForm& window, int position, std::string_view caption)
{
    QMenuBar* bar = window.ScreenMenuBar();
    if (bar == nullptr)
        return false;
    const QList<QAction*> entries = bar->actions();
    if (position < 0 || position >= entries.size())
        return false;
    entries[position]->setText(ToQt(caption));
    return true;
}

bool SetParentMenuCaption(ScreenForm& window, int number, std::string_view caption)
{
    const Found found = Find(window, number);
    if (found.parent == nullptr)
        return false;
    found.parent->menuAction()->setText(ToQt(caption));
    return true;
}

} // namespace screens
