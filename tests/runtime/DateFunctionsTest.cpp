// Quorva run-time. Licensed under the MIT licence.
#include "runtime/DateFunctions.h"

#include <gtest/gtest.h>
