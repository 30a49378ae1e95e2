#pragma once

#include "child_process.h"

#include <string>

// The "\"--elevate\"" mode: starts argv[2] through the shell's "runas" verb
// with the remaining arguments and "\"--adminprivilege\"" appended.
class QuillaretWorkspaceElevate : public ChildProcess {
 public:
  QuillaretWorkspaceElevate(int argc, char** argv) : argv(argv), argc(argc) {}
  void run() override;

 private:
  char** argv;
  int argc;
};

// " argv[2] ... argv[argc-1] \"--adminprivilege\"", arguments unquoted.
std::string buildElevatedParameters(int argc, char** argv);
