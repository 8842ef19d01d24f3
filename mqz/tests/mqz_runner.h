// Runs the mqz built beside the test program and keeps what it prints, for
// the tests that check the tool from the outside.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace mqz::testing {

struct MqzRun {
  int status;
  std::string output;
};

inline std::string MqzBinary() {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "";
  self[n] = '\0';
  const std::string path(self);
  return path.substr(0, path.find_last_of('/')) + "/mqz";
}

// `streams` ends the command line: "2>&1" keeps the messages with the
// output, "2>/dev/null" drops them.
inline MqzRun RunMqz(const std::string& arguments, const char* streams) {
  const std::string command = MqzBinary() + " " + arguments + " " + streams;
  MqzRun run{-1, ""};
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char chunk[512];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) run.output.append(chunk, got);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace mqz::testing
