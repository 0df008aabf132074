// Quorva run-time. Licensed under the MIT licence.
#include "runtime/GridCommands.h"

#include <gtest/gtest.h>
