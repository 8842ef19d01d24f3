// The search commands of mqz, kept apart from the file commands.
#pragma once

namespace mqz {

// `mqz solve ...` and `mqz hint ...`: argv[1] is the command. Returns the
// exit status.
int RunSolver(int argc, char** argv);

// Reads a settings file or a saved game into the game, its kind told from
// its bytes as the file commands tell it; 0, or the exit status after the
// message.
int ReadStateFile(const char* path);

}  // namespace mqz
