// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "screens/Component.h"
#include "screens/ScreenVariables.h"

namespace screens {

// The classes that move variable values to and from the outside each cycle: the DDE client link
// and the recipe save and load. Loading keeps their names (variable names, literals or
// expressions, as bytes of the code page); the names are resolved on the first Run, and a name
// that does not resolve switches its work off silently. GUI thread; owned by the figure.

// A DDE client link. Each Run, while its condition variable is true (or it has none), it works
// on the conversation its server shares with every other user of that server (see
// DdeConversations): it runs its macro when it has one, else requests its item into its variable
// (request switch set) or sends its variable's value to the item. No answer leaves the variable
// as it is. While the application ends, it closes its server's conversation instead.
class TCDDE : public Component {
public:
    TCDDE();
    void ReadData(const ClassData* data) override;
    void Run() override;

    const std::string& Server() const { return m_server; }
    const std::string& Item() const { return m_item; }
    const std::string& Topic() const { return m_topic; }
    const std::string& Macro() const { return m_macro; }
    // Set: the item is requested into the variable; clear: the variable's value is sent.
    bool Request() const { return m_request; }
    // A switch whose meaning the link does not use.
    std::uint8_t SecondSwitch() const { return m_secondSwitch; }
    const std::string& Variable() const { return m_variable; }
    // The boolean variable that enables the link; empty: always enabled.
    const std::string& Condition() const { return m_condition; }

private:
    void Resolve(ScreenVariables* variables);
    // The variable's value as sent: by its type (string, integer, word, real), else its text.
    std::string ValueText(ScreenVariables& variables) const;

    std::string m_server;
    std::string m_item;
    std::string m_topic;
    std::string m_macro;
    bool m_request = false;
    std::uint8_t m_secondSwitch = 0;
    std::string m_variable;
    std::string m_condition;

    bool m_resolved = false;
    bool m_conditionOff = false;
    std::optional<VariableBinding> m_conditionBinding;
    std::optional<VariableBinding> m_variableBinding;
};

// A recipe: the formula (template) name, the destination (a string variable holding the file
// name, or a quoted literal) and the boolean trigger variable. The recipe acts once each time
// the trigger goes from false to true (its value at the first Run is taken as the previous one,
// so a trigger already true when the screen opens does not act until it has been false). The
// recipe file is the destination's name + ".For", on disk relative to the project directory;
// the template is the formula + ".Rct", from the package or the disk, letter case ignored.
// Missing files make the action do nothing; damaged ones are refused with a log line.
class RecipeBinding : public Component {
public:
    void ReadData(const ClassData* data) override;
    void Run() override;

    const std::string& Formula() const { return m_formula; }
    const std::string& Destination() const { return m_destination; }
    const std::string& Trigger() const { return m_trigger; }

    // The recipe file's name (without ".For") the destination gives now, or none when it names
    // no file (empty, or a variable that does not exist).
    std::optional<std::string> FileName(ScreenVariables& variables) const;

protected:
    RecipeBinding(std::string_view registeredName, std::int32_t kind)
        : Component(registeredName, kind)
    {
    }
    // What a rising trigger does.
    virtual void Act(ScreenVariables& variables) = 0;

private:
    std::string m_formula;
    std::string m_destination;
    std::string m_trigger;

    bool m_resolved = false;
    std::optional<VariableBinding> m_triggerBinding;
    bool m_lastTrigger = false;
};

// Saves variable values to a recipe file: the formula name, then the value (as text) of each
// variable the template names, in template order. The file is replaced as a whole or not at all.
class TCFormule : public RecipeBinding {
public:
    TCFormule() : RecipeBinding("TCFormule", 133) {}

protected:
    void Act(ScreenVariables& variables) override;
};

// Loads a recipe file back into the variables: the file names its formula, whose template gives
// the variable of each value line.
class TCGFormule : public RecipeBinding {
public:
    TCGFormule() : RecipeBinding("TCGFORMULE", 133) {}

protected:
    void Act(ScreenVariables& variables) override;
};

// Where the run-time keeps a recipe or template file named by a project: a relative name lies in
// the project directory. A host path (UTF-8).
std::string RecipeHostPath(std::string_view name);

} // namespace screens
