#pragma once

#include <cstdint>
#include <string>

// True only while `processId` names a running process whose main module is
// exactly "setup.exe" (case-sensitive). Every failure reads as false.
bool isInstallerRunning(std::uint32_t processId);

// Starts a hidden command interpreter that deletes this program's own file,
// without waiting for it; the deletion succeeds once the program has ended.
// Failures are silent.
void deleteSelf();

// The command line that deletes the file `path`: cmd.exe /C Del /f /q "<path>".
// Empty when `path` cannot be the exact name of a file: empty, or holding the
// wildcards '?' or '*' (which the ANSI code page puts in for characters it
// cannot show). Del must never get a pattern in place of the program's name.
std::string deleteSelfCommandLine(const std::string& path);
