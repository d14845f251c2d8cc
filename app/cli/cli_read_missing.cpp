// Stand-in until the reader's command is built into this program.
#include <cstdio>

#include "app/cli/cli_commands.h"

int RunReadCommand(int, char**) {
    std::fputs("quble-cli read: not available in this build\n", stderr);
    return 2;
}
