// Quorva run-time. Licensed under the MIT licence.
#include "runtime/DdeCommands.h"

#include <gtest/gtest.h>
