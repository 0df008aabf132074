// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <QPointer>

#include "screens/SynScreen.h"

class QWidget;

namespace screens {

class Figure;
class ScreenForm;

// The bytes of the screen file NAME + ".Syn", first match wins: the package entry (or the file
// at that path on disk), then `projectDirectory` + "/Syno/" + NAME + ".Syn". None when no file
// exists. Executables carry no resources here, so there is no resource to look at first.
std::optional<std::string> FindScreenFile(std::string_view name,
                                          const std::string& projectDirectory);

// The named container of `window`: among its windowed children (not drawn figures),
// depth-first in creation order, the first whose object name equals `name` ignoring case. An
// empty name gives the window's client area; an unknown name gives null.
QWidget* FindContainer(ScreenForm& window, std::string_view name);

// Builds the figure of one object record into `window`, placed in its container (a figure whose
// container is not found is made but not placed: it stays hidden). Null for kinds that build
// no figure. The record's class object is not made here.
Figure* CreateObject(const SynObject& object, ScreenForm& window, std::string_view screenName);

// Chains the window's figures that share a non-zero link group, then those that share a
// non-zero second link key, in creation order.
void ChainLinkedFigures(ScreenForm& window);

// Builds (or rebuilds) the window of the screen NAME from its file: the window from the header,
// every object's figure and class object (objects that run each cycle join the active objects
// and run once now), the link chains, the close permission of the main window. An empty
// `window` gets a new form; the first form made becomes the main window. Everything that can
// be read is built: a damaged file keeps the objects before the damage (the rest is reported
// in the log), an unknown class stops object reading with an error box "CLASS Not Found" whose
// caption is the screen name. False only when no screen file exists or its header cannot be
// read. The window is not shown. GUI thread.
bool LoadScreen(std::string_view name, QPointer<ScreenForm>& window,
                const std::string& projectDirectory);

// Builds the window from screen data already read (LoadScreen's work after the file is found).
bool BuildScreen(std::string_view name, const SynScreen& screen, QPointer<ScreenForm>& window);

} // namespace screens
