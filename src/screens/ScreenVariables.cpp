// Quorva run-time. Licensed under the MIT licence.
#include "screens/ScreenVariables.h"

namespace screens {

long double ReadNumber(ScreenVariables& variables, const VariableBinding& binding)
{
    switch (binding.type) {
    case 3:
    case 6:
    case 7:
        return variables.ReadByte(binding.address);
    case 4:
        return variables.ReadInteger(binding.address);
    case 5:
        return variables.ReadReal(binding.address);
    case 20:
        return variables.ReadWord(binding.address);
    case 24:
        return variables.ReadSingle(binding.address);
    default:
        return 0;
    }
}

} // namespace screens
