// Quorva run-time. Licensed under the MIT licence.
//
// A second process for the link area's test. It attaches to the link area of the instance named
// by QUORVA_INSTANCE and reports on standard output what it sees: the counts, the integer block
// INT_BLOCK and the short-string block TEXT_BLOCK. It then writes VALUE into a block WRITE_BLOCK
// (created when missing), says "ready", and holds the area until its standard input closes.
//
//   link_peer INT_BLOCK TEXT_BLOCK WRITE_BLOCK VALUE
#include "shell/LinkArea.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: link_peer INT_BLOCK TEXT_BLOCK WRITE_BLOCK VALUE\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    auto area = shell::LinkArea::Attach();
    if (!area.IsOk()) {
        std::printf("error=%s\n", area.Error().c_str());
        return 1;
    }
    std::printf("attach=%u\n", static_cast<unsigned>(area->AttachCount()));
    std::printf("blocks=%u\n", static_cast<unsigned>(area->BlockCount()));
    std::printf("int=%d\n", static_cast<int>(shell::LoadLinkInt32(area->LinkBlock(argv[1], 4))));
    std::printf("text=%s\n", shell::LoadLinkShortString(area->LinkBlock(argv[2], 256)).c_str());
    std::byte* target = area->LinkBlock(argv[3], 4);
    if (target == nullptr) {
        std::printf("error=cannot create block %s\n", argv[3]);
        return 1;
    }
    shell::StoreLinkInt32(target, static_cast<std::int32_t>(std::strtol(argv[4], nullptr, 10)));
    std::printf("ready\n");

    char buffer[64];
    while (::read(STDIN_FILENO, buffer, sizeof(buffer)) > 0) {
    }
    return 0;
}
