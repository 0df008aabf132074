// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>

#include "platform/Result.h"
#include "runtime/ShortString.h"

namespace runtime {

class Implementations;

// Binds the image list and tree view commands (X..., TREE...).
platform::Status AddTreeCommands(Implementations& implementations);

// The commands as plain functions, on the current figure's attached object: a tree view (Sout)
// for all of them; XADDIMAGE, XSETIMAGE, XALPHASORT and XGETHIMAGELIST also a list view, and
// XADDIMAGE and XGETHIMAGELIST a page control. Without such a target they do nothing and return
// 0, false or the empty String. Tree nodes are numbered from 1 in flat order; an index that
// addresses no node changes nothing. GUI thread only; texts are code-page bytes.
namespace screencmd {

// Image lists.
bool XAddImage(ShortString imageName);      // true when the picture was found and added
void XSetImage(std::int32_t node, std::int32_t image); // list view: `node` is the row (from 0)
void XAlphaSort();                          // tree: every level by text; list view: rows
std::int32_t XGetHImageList();              // the list's handle number, 0 without a target
void TreeSetImageSize(std::int32_t width, std::int32_t height); // sides 1..256, else nothing
void TreeSetSelectedImage(std::int32_t node, std::int32_t image);

// Tree nodes.
std::int32_t TreeGetCount();
ShortString TreeGetItem(std::int32_t index);
void TreeSetItem(std::int32_t index, ShortString item);
std::int32_t TreeGetSelectedItem();         // 0 when nothing is selected
void TreeSetSelectedItem(std::int32_t index);
void TreeAdd(std::int32_t index, ShortString text);
void TreeAddChild(std::int32_t index, ShortString text);
void TreeInsertAdd(std::int32_t index, ShortString text);
void TreeDelete(std::int32_t index);
std::int32_t TreeIsParent(std::int32_t index);
ShortString TreeGetFullPath(std::int32_t index, ShortString separator);
void TreeFullCollapse();

// Tree files (one node per line, one tab of indentation per level).
bool TreeLoadFromFile(ShortString fileName);
void TreeSaveToFile(ShortString fileName);

} // namespace screencmd
} // namespace runtime
