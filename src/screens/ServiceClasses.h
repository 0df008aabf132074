// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "screens/Component.h"

namespace screens {

// The classes that move variable values to and from the outside each cycle: the DDE client link
// and the recipe save and load. Loading keeps their names (variable names, literals or
// expressions, as bytes of the code page); Run does nothing yet. GUI thread; owned by the figure.

class TCDDE : public Component {
public:
    TCDDE();
    void ReadData(const ClassData* data) override;
    const std::string& Server() const { return m_server; }
    const std::string& Item() const { return m_item; }
    const std::string& Topic() const { return m_topic; }
    const std::string& Macro() const { return m_macro; }
    // Set: the item is requested into the variable; clear: the variable's value is sent.
    bool Request() const { return m_request; }
    std::uint8_t SecondSwitch() const { return m_secondSwitch; }
    const std::string& Variable() const { return m_variable; }
    // The boolean variable that enables the link; empty: always enabled.
    const std::string& Condition() const { return m_condition; }

private:
    std::string m_server;
    std::string m_item;
    std::string m_topic;
    std::string m_macro;
    bool m_request = false;
    std::uint8_t m_secondSwitch = 0;
    std::string m_variable;
    std::string m_condition;
};

// A recipe: the formula (template) name, the destination (a string variable holding the file
// name, or a quoted literal) and the boolean trigger variable.
class RecipeBinding : public Component {
public:
    void ReadData(const ClassData* data) override;
    const std::string& Formula() const { return m_formula; }
    const std::string& Destination() const { return m_destination; }
    const std::string& Trigger() const { return m_trigger; }

protected:
    RecipeBinding(std::string_view registeredName, std::int32_t kind)
        : Component(registeredName, kind)
    {
    }

private:
    std::string m_formula;
    std::string m_destination;
    std::string m_trigger;
};
// Saves variable values to a recipe file.
class TCFormule : public RecipeBinding {
public:
    TCFormule() : RecipeBinding("TCFormule", 133) {}
};
// Loads a recipe file back into the variables.
class TCGFormule : public RecipeBinding {
public:
    TCGFormule() : RecipeBinding("TCGFORMULE", 133) {}
};

} // namespace screens
