// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>

namespace screens {

// The menu choice as program units see it. A chosen item becomes pending with its age at 0;
// each GUI cycle ages it, and once it is older than two cycles it is published for exactly one
// cycle (caption for MENUSTR, number for MENUID), then the published values are empty and 0
// again until the next choice. GUI thread only.
class MenuSelection {
public:
    // An item was chosen: its caption (code-page bytes) and command number.
    void Choose(std::string caption, std::int16_t number)
    {
        m_pendingCaption = std::move(caption);
        m_pendingNumber = number;
        m_age = 0;
        m_hasPending = true;
    }

    // The cycle's step, at the start of every GUI cycle.
    void CycleStep()
    {
        m_publishedCaption.clear();
        m_publishedNumber = 0;
        if (!m_hasPending)
            return;
        if (m_age <= 2) {
            ++m_age;
            return;
        }
        m_publishedCaption = std::move(m_pendingCaption);
        m_publishedNumber = m_pendingNumber;
        m_pendingCaption.clear();
        m_pendingNumber = 0;
        m_hasPending = false;
    }

    const std::string& PublishedCaption() const { return m_publishedCaption; }
    std::int16_t PublishedNumber() const { return m_publishedNumber; }

private:
    std::string m_pendingCaption;
    std::int16_t m_pendingNumber = 0;
    int m_age = 0;
    bool m_hasPending = false;
    std::string m_publishedCaption;
    std::int16_t m_publishedNumber = 0;
};

} // namespace screens
