// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string>
#include <vector>

#include "screens/Component.h"
#include "screens/Figure.h"
#include "screens/ScreenGlobals.h"

namespace screentest {

// What the probe objects saw: one entry per Run, the name of the current figure.
inline std::vector<std::string>& ProbeRuns()
{
    static std::vector<std::string> runs;
    return runs;
}

// A screen-object class that records its runs; `eachCycle` is its run-each-cycle flag.
class ProbeObject : public screens::Component {
public:
    ProbeObject(const char* name, bool eachCycle) : Component(name, 133)
    {
        SetRunEachCycle(eachCycle);
    }
    void Run() override
    {
        screens::Figure* figure = screens::CurrentFigure();
        ProbeRuns().push_back(figure != nullptr ? figure->Properties().componentName : "?");
    }
};

// Registers "TCPROBEON" (runs each cycle) and "TCPROBEOFF" (does not) once.
inline void RegisterProbeClasses()
{
    screens::ClassRegistry& classes = screens::Globals().classes;
    classes.RegisterScreenClass("TCPROBEON", "", 133, [] {
        return std::make_unique<ProbeObject>("TCPROBEON", true);
    });
    classes.RegisterScreenClass("TCPROBEOFF", "", 133, [] {
        return std::make_unique<ProbeObject>("TCPROBEOFF", false);
    });
}

} // namespace screentest
