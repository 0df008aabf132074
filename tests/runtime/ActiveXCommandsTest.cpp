// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ActiveXCommands.h"

#include <gtest/gtest.h>
