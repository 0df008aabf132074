// Quorva run-time. Licensed under the MIT licence.
#include "platform/ConfigFile.h"
#include "platform/Log.h"
#include "shell/OpcClient.h"

#include <algorithm>

namespace shell {
namespace opc_table_detail {

std::string_view TrimmedField(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool IsOpcUrl(std::string_view text) {
    constexpr std::string_view Scheme = "opc.tcp://";
    return text.size() > Scheme.size() &&
           platform::EqualsNoCase(text.substr(0, Scheme.size()), Scheme);
}

// Takes the text up to the next ";" off `rest` (all of it when there is none).
std::string_view NextField(std::string_view& rest) {
    const std::size_t semicolon = rest.find(';');
    const std::string_view field = rest.substr(0, semicolon);
    rest = semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
    return TrimmedField(field);
}

} // namespace opc_table_detail

using namespace opc_table_detail;

OpcServerTable OpcServerTable::Load(const std::string& projectDirectory) {
    OpcServerTable table;
    for (const platform::ConfigEntry& entry :
         platform::ReadConfigSections(projectDirectory, "OpcServers", "OPC")) {
        const auto skip = [&entry](std::string_view why) {
            platform::LogWarning("OPC: {}:{}: {} (\"{}\"); line skipped", entry.file.string(),
                                 entry.line, why, entry.text);
        };
        if (!entry.hasValue || entry.key.empty()) {
            skip("expected \"Name = opc.tcp://host:port[; security[; user[; password]]]\"");
            continue;
        }
        std::string_view rest = entry.value;
        OpcEndpoint endpoint;
        endpoint.url = std::string(NextField(rest));
        if (!IsOpcUrl(endpoint.url)) {
            skip("the server address must be an opc.tcp:// URL");
            continue;
        }
        const bool hasSecurity = rest.data() != nullptr && !rest.empty();
        const std::string_view security = hasSecurity ? NextField(rest) : std::string_view();
        if (security.empty() || platform::EqualsNoCase(security, "None")) {
            endpoint.security = OpcSecurity::None;
        } else if (platform::EqualsNoCase(security, "Sign")) {
            endpoint.security = OpcSecurity::Sign;
        } else if (platform::EqualsNoCase(security, "SignAndEncrypt")) {
            endpoint.security = OpcSecurity::SignAndEncrypt;
        } else {
            skip("the security mode must be None, Sign or SignAndEncrypt");
            continue;
        }
        if (!rest.empty()) {
            endpoint.user = std::string(NextField(rest));
            endpoint.password = std::string(TrimmedField(rest)); // the rest, ";" and all
        }
        table.Add(entry.key, std::move(endpoint));
    }
    return table;
}

void OpcServerTable::Add(std::string name, OpcEndpoint endpoint) {
    m_entries.emplace_back(std::move(name), std::move(endpoint));
}

std::optional<OpcEndpoint> OpcServerTable::Resolve(std::string_view name) const {
    name = TrimmedField(name);
    if (IsOpcUrl(name))
        return OpcEndpoint{std::string(name), OpcSecurity::None, {}, {}};
    const auto found =
        std::find_if(m_entries.rbegin(), m_entries.rend(), [name](const auto& entry) {
            return platform::EqualsNoCase(entry.first, name);
        });
    if (found == m_entries.rend())
        return std::nullopt;
    return found->second;
}

} // namespace shell
