// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>

namespace screens {
class Figure;
}

namespace viewers {

class GrafcetViewer;

// The Grafcet viewers of the process by the name of the figure each stands in for, created on
// first use. A viewer is found by the figure's name and only for that same figure, so that two
// windows with figures of one name (two instances of a screen) never share a viewer. Entries
// whose figure or viewer is gone (its window closed) are dropped. GUI thread only.
class GrafcetRegistry {
public:
    // The viewer registered for `figure`, or null.
    GrafcetViewer* Find(screens::Figure& figure);
    // The viewer registered for `figure`, or a new one made in its place and registered. A viewer
    // that was cleared (and so unregistered) for the same figure goes: the new one replaces it
    // on the screen rather than piling up over it.
    GrafcetViewer* FindOrCreate(screens::Figure& figure);
    // Unregisters a viewer; it stays on the screen. False when it was not registered.
    bool Remove(const GrafcetViewer& viewer);

    std::size_t Count();
    // Forgets every entry (the viewers stay with their figures); for a fresh start in tests.
    void Reset() { m_entries.clear(); }

private:
    struct Entry {
        std::string name;
        QPointer<QWidget> figure;
        QPointer<GrafcetViewer> viewer;
    };
    void DropGone();

    std::vector<Entry> m_entries;
};

// The process's registry: the one place this state lives.
GrafcetRegistry& GrafcetViewers();

} // namespace viewers
