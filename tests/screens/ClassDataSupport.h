// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <gtest/gtest.h>

#include <string_view>

#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"

namespace screens::testing {

// The class data a class gets from the editor when nothing is set: every field at its default.
// The class name is cut to the 10 characters a screen file keeps.
inline ClassData DataOf(std::string_view className)
{
    const ClassLayout* layout = FindClassLayout(className.substr(0, 10));
    if (layout == nullptr) {
        ADD_FAILURE() << "no layout for " << className;
        return {};
    }
    return DefaultClassData(*layout);
}

// A field of the data, to set; a missing field fails the test and gives a scratch value.
inline FieldValue& Field(ClassData& data, std::string_view name)
{
    FieldValue* value = data.Find(name);
    EXPECT_NE(value, nullptr) << name;
    static FieldValue s_missing;
    return value != nullptr ? *value : s_missing;
}

} // namespace screens::testing
