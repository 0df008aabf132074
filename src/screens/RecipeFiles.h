// Quorva run-time. Licensed under the MIT licence.
#pragma once

// recipes: the ".Rct" template and the ".For" file

namespace screens {} // namespace screens
