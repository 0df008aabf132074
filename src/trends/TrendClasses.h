// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "trends/TrendObject.h"

namespace screens {
class ClassRegistry;
} // namespace screens

namespace trends {

// Registers the trend screen objects "TCTREND" and "TCShTrend" (kind 145, no alias) in
// `registry`, their objects made with `options`; a name already present is left as it is.
// Called next to screens::RegisterStandardClasses by whoever sets up the screens.
void RegisterTrendClasses(screens::ClassRegistry& registry, const TrendObjectOptions& options = {});

} // namespace trends
