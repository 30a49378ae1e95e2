#pragma once

#include <cstdint>
#include <string>

// True only while `processId` names a running process whose main module is
// exactly "setup.exe" (case-sensitive). Every failure reads as false.
bool isInstallerRunning(std::uint32_t processId);

// Deletes this program's own file once it has ended, through a hidden command
// interpreter (the system folder's cmd.exe) that is not waited for. The path
// goes into the command line only when the interpreter reads it exactly;
// otherwise Del gets the bare name in the program's folder, or, when that
// cannot be exact either, nothing is deleted and standard output says why.
// Nothing but this program's file is ever named. Failures are silent.
void deleteSelf();

// True for a text that the command interpreter reads exactly inside double
// quotes and that Del takes as one name: no '%' or '!' (variable expansion),
// no '"', no wildcards '?' and '*', no control characters; not empty.
bool isExactForInterpreter(const std::wstring& text);

// The command line that deletes the file `path`: cmd.exe /C Del /f /q "<path>".
// Empty when `path` is not exact for the interpreter (isExactForInterpreter):
// Del must never get a pattern, or a name that expands to another.
std::wstring deleteSelfCommandLine(const std::wstring& path);
