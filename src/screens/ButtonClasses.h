// Quorva run-time. Licensed under the MIT licence.
#pragma once

// buttons with glyphs (TCButton, TCXButton): press tracking, groups, faces

namespace screens {} // namespace screens
