// Quorva run-time. Licensed under the MIT licence.
#include "trends/TrendClasses.h"

#include <memory>

#include "screens/ClassRegistry.h"
#include "trends/ShiftTrend.h"

namespace trends {

void RegisterTrendClasses(screens::ClassRegistry& registry, const TrendObjectOptions& options)
{
    registry.RegisterScreenClass("TCShTrend", "", 145,
                                 [options] { return std::make_unique<TCShTrend>(options); });
    registry.RegisterScreenClass("TCTREND", "", 145,
                                 [options] { return std::make_unique<TCTrend>(options); });
}

} // namespace trends
