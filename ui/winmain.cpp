// Entry point: the settings file lives beside the program, so its path comes
// from the module name before the window reads it.
#include "app.h"
#include "storage/state_file.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int showCommand) {
  mq::InstallWindowsPlatform();
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path - 1);
  mq::SetProgramPath(path);
  if (!previous && !mq::RegisterMainClass(instance)) return 0;
  if (!mq::CreateMainWindow(instance, showCommand)) return 0;
  return mq::RunMessageLoop();
}
