// Quorva run-time. Licensed under the MIT licence.
#include "runtime/GaugeCommands.h"

#include <gtest/gtest.h>
