// Quorva run-time. Licensed under the MIT licence.

#include "runtime/TableListing.h"

#include "runtime/SystemFunctionSpecs.h"
#include "runtime/SystemHelperSpecs.h"
#include "runtime/SystemVariableSpecs.h"

#include <fmt/format.h>

namespace runtime {

std::string HelperListingLine(const HelperSpec& helper) {
    return fmt::format("{}\t{}\t{}", helper.name, static_cast<int>(helper.kind),
                       engine::ToByte(helper.result));
}

std::string FunctionListingLine(const FunctionSpec& function) {
    std::string line = fmt::format("{}\t{}\t{}\t{}", function.name, static_cast<int>(function.kind),
                                   engine::ToByte(function.result), function.ParameterCount());
    for (const ParameterSpec& parameter : function.parameters)
        line += fmt::format("\t{}:{}:{}", static_cast<int>(parameter.mode),
                            engine::ToByte(parameter.type), parameter.name);
    return line;
}

std::string VariableListingLine(const SystemVariableSpec& variable) {
    return fmt::format("{}\t{}", variable.name, engine::ToByte(variable.type));
}

std::string FunctionListing() {
    std::string listing;
    for (const HelperSpec& helper : SystemHelperSpecs())
        listing += HelperListingLine(helper) + '\n';
    for (const FunctionSpec& function : SystemFunctionSpecs())
        listing += FunctionListingLine(function) + '\n';
    return listing;
}

std::string VariableListing() {
    std::string listing;
    for (const SystemVariableSpec& variable : SystemVariableSpecs())
        listing += VariableListingLine(variable) + '\n';
    return listing;
}

} // namespace runtime
