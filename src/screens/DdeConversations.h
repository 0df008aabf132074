// Quorva run-time. Licensed under the MIT licence.
#pragma once

// DDE conversations shared per server name

namespace screens {} // namespace screens
