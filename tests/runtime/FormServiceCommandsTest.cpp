// Quorva run-time. Licensed under the MIT licence.
#include "runtime/FormServiceCommands.h"

#include <gtest/gtest.h>
