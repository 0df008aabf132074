// Quorva run-time. Licensed under the MIT licence.
#include "screens/GridClasses.h"
