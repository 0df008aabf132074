// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ListViewCommands.h"

#include <gtest/gtest.h>
