// Subcommands of quble-cli. Each takes the arguments after its own name and
// returns the process exit status.
#pragma once

int RunSimulateCommand(int argc, char** argv);
int RunReadCommand(int argc, char** argv);
