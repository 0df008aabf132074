// Quorva run-time. Licensed under the MIT licence.
#include "runtime/FormInstanceCommands.h"

#include <gtest/gtest.h>
