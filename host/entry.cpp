// quillaret-host: the native messaging host of the Quillaret Workspace browser
// extension, with the installer clean-up and elevation modes.

#include "cleanup.h"
#include "console.h"
#include "elevation.h"
#include "native_messaging.h"

#include <cstring>

namespace {

bool isArgument(int argc, char** argv, const char* mode) { return argc >= 2 && std::strcmp(argv[1], mode) == 0; }

void runMode(int argc, char** argv) {
  if (isArgument(argc, argv, "\"--elevate\"")) {
    writeOut("elevate");
    QuillaretWorkspaceElevate mode(argc, argv);
    mode.run();
  } else if (isArgument(argc, argv, "--cleanup")) {
    writeOut("Cleanup \n");
    QuillaretWorkspaceClenup mode(argc, argv);
    mode.run();
  } else {
    QuillaretWorkspaceProcess mode;
    mode.run();
  }
}

}  // namespace

int main(int argc, char** argv) {
  // The exit status is 0 on every path, and nothing goes to standard error:
  // a mode that cannot go on (the command interpreter cannot be started, say)
  // simply ends the program without a reply.
  try {
    runMode(argc, argv);
  } catch (...) {
  }
  return 0;
}
