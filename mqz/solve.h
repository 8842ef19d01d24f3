// The search commands of mqz, kept apart from the file commands.
#pragma once

namespace mqz {

// `mqz solve ...` and `mqz hint ...`: argv[1] is the command. Returns the
// exit status.
int RunSolver(int argc, char** argv);

}  // namespace mqz
