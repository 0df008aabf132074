// Quorva run-time. Licensed under the MIT licence.
#pragma once

// the tree view's nodes: flat numbering and the tab-indented file format

namespace screens {} // namespace screens
