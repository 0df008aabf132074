// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ListBoxCommands.h"

#include <gtest/gtest.h>
