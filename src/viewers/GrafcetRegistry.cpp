// Quorva run-time. Licensed under the MIT licence.
#include "viewers/GrafcetRegistry.h"

#include <algorithm>

#include "screens/Figure.h"
#include "viewers/GrafcetViewer.h"

namespace viewers {

void GrafcetRegistry::DropGone() {
    std::erase_if(m_entries, [](const Entry& entry) {
        return entry.figure.isNull() || entry.viewer.isNull();
    });
}

GrafcetViewer* GrafcetRegistry::Find(screens::Figure& figure) {
    DropGone();
    const std::string& name = figure.Properties().componentName;
    for (const Entry& entry : m_entries) {
        if (entry.name == name && entry.figure.data() == &figure.Widget())
            return entry.viewer.data();
    }
    return nullptr;
}

GrafcetViewer* GrafcetRegistry::FindOrCreate(screens::Figure& figure) {
    if (GrafcetViewer* viewer = Find(figure))
        return viewer;
    // Without a meta-object of its own, a viewer is told from other children by its C++ type.
    for (QObject* child : figure.Widget().children()) {
        if (auto* earlier = dynamic_cast<GrafcetViewer*>(child)) {
            earlier->hide();
            earlier->deleteLater();
        }
    }
    GrafcetViewer* viewer = GrafcetViewer::CreateFor(figure);
    m_entries.push_back(Entry{figure.Properties().componentName, &figure.Widget(), viewer});
    return viewer;
}

bool GrafcetRegistry::Remove(const GrafcetViewer& viewer) {
    DropGone();
    const auto before = m_entries.size();
    std::erase_if(m_entries, [&](const Entry& entry) { return entry.viewer.data() == &viewer; });
    return m_entries.size() != before;
}

std::size_t GrafcetRegistry::Count() {
    DropGone();
    return m_entries.size();
}

GrafcetRegistry& GrafcetViewers() {
    static GrafcetRegistry registry;
    return registry;
}

} // namespace viewers
