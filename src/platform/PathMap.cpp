// Quorva run-time. Licensed under the MIT licence.
#include "platform/PathMap.h"

#include "platform/CodePage.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

namespace {

struct DriveRootState {
    std::mutex mutex;
    std::string root;
};

DriveRootState& State() {
    static DriveRootState state;
    return state;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool HasWildcard(std::string_view component) {
    return component.find_first_of("*?") != std::string_view::npos;
}

// The entry of `directory` whose name equals `name` ignoring ASCII case; the first in sorted
// order when several do, so that the choice does not depend on the directory's order.
std::string FindIgnoringCase(const std::string& directory, const std::string& name) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.empty() ? "." : directory.c_str()),
                                            ::closedir);
    if (!dir)
        return {};
    std::string best;
    while (dirent* entry = ::readdir(dir.get())) {
        if (::strcasecmp(entry->d_name, name.c_str()) == 0 && (best.empty() || entry->d_name < best))
            best = entry->d_name;
    }
    return best;
}

std::string Resolve(std::string path) {
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
        std::string rest = path.substr(2);
        std::string root = DriveRoot();
        if (root.empty()) {
            char* cwd = ::getcwd(nullptr, 0);
            root = cwd ? cwd : ".";
            std::free(cwd);
        }
        while (!rest.empty() && rest.front() == '/')
            rest.erase(rest.begin());
        path = root + (root.ends_with('/') ? "" : "/") + rest;
    }
    if (path.empty() || Exists(path))
        return path;

    // Walk the components, correcting the case of each one that does not exist as written.
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        components.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    std::string result = path.front() == '/' ? "/" : "";
    bool resolving = true;
    for (std::size_t i = 0; i < components.size(); ++i) {
        const std::string& component = components[i];
        if (component.empty())
            continue;
        std::string next = result + component;
        if (resolving && component != "." && component != ".." && !HasWildcard(component) &&
            !Exists(next)) {
            std::string found = FindIgnoringCase(result, component);
            if (found.empty())
                resolving = false;
            else
                next = result + found;
        }
        result = next;
        if (i + 1 < components.size())
            result += '/';
    }
    return result;
}

} // namespace

void SetDriveRoot(std::string hostDirectory) {
    std::lock_guard lock(State().mutex);
    State().root = std::move(hostDirectory);
}

std::string DriveRoot() {
    std::lock_guard lock(State().mutex);
    return State().root;
}

std::string HostPath(std::string_view projectPath) {
    return Resolve(CodePageToUtf8(projectPath));
}

std::string ResolveCase(std::string_view utf8Path) { return Resolve(std::string(utf8Path)); }

} // namespace platform
