// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <QPointer>

#include "viewers/Mnemonics.h"

namespace screens {
class Figure;
}

namespace viewers {

class LadderViewer;

// The run-time's ladder viewers by figure name, with the mnemonics list they show. A viewer is
// found by the name of a figure; figures of the same name in other windows keep viewers of their
// own. A viewer whose window went is forgotten. GUI thread only.
class LadderViewerRegistry {
public:
    // The figure's viewer, or null.
    LadderViewer* Find(screens::Figure& figure);
    // The figure's viewer, made in its place when it has none (null when it cannot be: a figure
    // without a parent widget).
    LadderViewer* FindOrCreate(screens::Figure& figure);
    // Forgets a viewer; the control stays where it is.
    void Remove(const LadderViewer& viewer);
    // The live viewers.
    std::size_t Size() const;

    // The mnemonics: the project's file "MNEMOS", read on first use and kept (an absent file
    // gives an empty list).
    const Mnemonics& MnemonicsList();
    // Sets the list instead (start-up code, tests).
    void SetMnemonics(Mnemonics mnemonics) { m_mnemonics = std::move(mnemonics); }

    // Forgets every viewer and the mnemonics (tests, a new run).
    void Reset();

private:
    std::unordered_map<std::string, std::vector<QPointer<LadderViewer>>> m_viewers;
    std::optional<Mnemonics> m_mnemonics;
};

// The run-time's one registry.
LadderViewerRegistry& LadderViewers();

} // namespace viewers
