// Quorva run-time. Licensed under the MIT licence.
#include "runtime/UnitFunctions.h"

#include <gtest/gtest.h>
