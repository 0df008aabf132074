// Quorva run-time. Licensed under the MIT licence.
#include "runtime/LookCommands.h"

#include <gtest/gtest.h>
