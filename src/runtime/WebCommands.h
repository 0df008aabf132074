// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "runtime/ShortString.h"

#include <cstdint>

namespace runtime {

class Implementations;

// Binds the web browser commands.
platform::Status AddWebCommands(Implementations& implementations);

// The web browser commands as plain functions, on Qt WebEngine through the web module. A
// browser is known by the handle WEBBROWSERCREATE returned; a handle that names no browser (0,
// one never made, one whose window closed) does nothing. GUI thread.
namespace screencmd {

// Makes a browser filling the current window's client area, above its figures; its handle,
// or 0 without a current window or without the web module.
std::int32_t WebBrowserCreate();
// Shows a page: an address ("http://...", "file:///..."), a host name without a scheme, or a
// project file name (code-page bytes, Windows style). The first page a browser shows is its
// home page.
void WebNavigate(std::int32_t browser, ShortString url);
void WebGoBack(std::int32_t browser);
void WebGoForward(std::int32_t browser);
void WebGoHome(std::int32_t browser);
// A panel has no search engine of its own: the search page is the home page.
void WebGoSearch(std::int32_t browser);
void WebRefresh(std::int32_t browser);
void WebStop(std::int32_t browser);
// Shows the find bar above the page, for the operator to look for a text in it.
void WebSearch(std::int32_t browser);

} // namespace screencmd

} // namespace runtime
