#pragma once

#include "child_process.h"

#include <cstdint>
#include <string>

// The "--cleanup" mode: waits for the installer, then removes its leftover
// folders and, with "--delme", the program itself.
class QuillaretWorkspaceClenup : public ChildProcess {
 public:
  QuillaretWorkspaceClenup(int argc, char** argv) : argv(argv), argc(argc) {}
  void run() override;

 private:
  char** argv;
  int argc;
};

// What the arguments after "--cleanup" ask for.
struct CleanupOptions {
  bool deleteSelf = false;
  std::string pidArgument;  // the last "--pid" argument seen, whole
  std::string pidText;      // what follows its first '=' ("--pid" without one)
};

// Reads argv[2] .. argv[argc-1]; exact, case-sensitive comparisons, and a
// later "--pid" replaces an earlier one.
CleanupOptions parseCleanupOptions(int argc, char** argv);

// False when nothing follows "--cleanup" or no usable process id was given.
bool cleanupOptionsUsable(int argc, const CleanupOptions& options);

// The process id in `pidText`: the decimal number at its start (after white
// space), low 32 bits; 0 when the text does not begin with a number.
std::uint32_t readProcessId(const std::string& pidText);

// True for a drive path ("C:\..." or "C:/...") or a UNC path ("\\server...").
// Relative and drive-relative paths would make a removal land below the
// current folder or the root of the current drive.
bool isAbsolutePath(const std::wstring& path);

// An absolute path without the wildcards "?" and "*", which no folder name
// holds: a value with them (the ANSI form of a letter outside the code page,
// say) names no folder of its own and is skipped.
bool isUsableBaseFolder(const std::wstring& path);

// Removes `folder` (fixed names below `base`, separated by backslashes) with
// up to three attempts, 5 seconds apart, reporting each failed attempt on
// standard output (the path in the ANSI code page). No link is followed from
// `base` down (see removeTree): a link in the middle of `folder` leaves
// everything below it alone.
void deleteWithRetry(const std::wstring& base, const std::wstring& folder);
