// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>
