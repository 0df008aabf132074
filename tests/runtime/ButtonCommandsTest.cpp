// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ButtonCommands.h"

#include <gtest/gtest.h>
