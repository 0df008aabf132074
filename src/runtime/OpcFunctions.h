// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace engine {
class VariableStore;
} // namespace engine

namespace shell {
struct OpcDataChange;
} // namespace shell

namespace runtime {

class Implementations;
struct Services;

// Binds OPCCLIENTCONNECT, OPCCLIENTCLOSE, OPCCLIENTREADASYNC, OPCCLIENTREADSYNC and
// OPCCLIENTWRITESYNC.
platform::Status AddOpcFunctions(Implementations& implementations);

// The OPC client functions as plain functions, on the OPC UA client of src/shell. The run-time
// has one client (one session, one subscription) for the whole process, and two lists that
// outlive a CLOSE: the items in the order first used (an item's position from 0 is its client
// handle) and, at the same positions, the global variable that receives each item's value (empty
// for an item a write registered, or one the server refused).
//
// Texts from and to units are code-page bytes; names and values go to the client as UTF-8.
// Every call that waits for the server pauses the calling unit's watchdog and is bounded by the
// client's timeouts: 5 s for a connection, 2 s for any other exchange. One call talks to the
// server at a time: a unit calling while another waits for the server waits its turn.
// Any thread may call these functions.
namespace opc {

// The default publishing and sampling interval for a TimeBase of 0 or less.
constexpr std::int32_t kDefaultTimeBaseMs = 1000;

// OPCCLIENTCONNECT: connects to `name` (an "opc.tcp://" URL as given, else a name of the
// [OpcServers] table of quorva.ini) and makes the subscription `group` with `timeBase` as its
// publishing and sampling interval. The items of the list that have a variable are monitored
// again. The result text tells what happened.
std::string Connect(const Services& services, std::string_view name, std::string_view group,
                    std::int32_t timeBase);
// OPCCLIENTCLOSE: deletes the subscription and ends the session; whether the subscription was
// deleted; false when not connected. The lists are kept.
bool Close();
// OPCCLIENTREADASYNC: monitors `item` into the global variable `variable`.
bool ReadAsync(const Services& services, std::string_view item, std::string_view variable);
// OPCCLIENTREADSYNC: the value of a listed item read from the server, as text; empty when
// it cannot be had.
std::string ReadSync(std::string_view item);
// OPCCLIENTWRITESYNC: writes the text to the item (listed on first use); true when written.
bool WriteSync(const Services& services, std::string_view item, std::string_view value);

// Hands data changes to the variables: the client's sink, called on the client's thread. Never
// calls unit code nor waits for the scan or the GUI.
void DeliverDataChanges(engine::VariableStore* store,
                        const std::vector<shell::OpcDataChange>& changes);

// Closes the client and empties the lists: the end of the run (the host calls it before the
// variable store goes) or of a test.
void EndOpcClient();

// The item list and the variable list, as they stand (for tests and diagnostics).
std::vector<std::string> Items();
std::vector<std::string> Targets();
// The variables set from data changes since the process started.
std::uint64_t DeliveredValues();

} // namespace opc

} // namespace runtime
