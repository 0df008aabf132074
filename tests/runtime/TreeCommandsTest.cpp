// Quorva run-time. Licensed under the MIT licence.
#include "runtime/TreeCommands.h"

#include <gtest/gtest.h>
