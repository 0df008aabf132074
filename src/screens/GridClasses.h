// Quorva run-time. Licensed under the MIT licence.
#pragma once

// the grid (TCGrille) and the axis (TCAxis)

namespace screens {} // namespace screens
