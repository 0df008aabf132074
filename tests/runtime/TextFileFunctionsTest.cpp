// Quorva run-time. Licensed under the MIT licence.
#include "runtime/TextFileFunctions.h"

#include <gtest/gtest.h>
