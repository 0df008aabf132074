// Quorva run-time. Licensed under the MIT licence.
#include "runtime/VariableFunctions.h"

#include <gtest/gtest.h>
