#pragma once

#include <string>

// Removes `path`: a file is deleted, a folder with everything below it,
// contents first. A path that does not exist counts as removed. The first removal that fails ends the walk with false;
// what was removed until then stays removed.
//
// Links are never followed: a symbolic link, junction or other reparse point
// is removed itself and its target is left alone. A file that the system
// opens somewhere else than where it was found (a link the file system does
// not mark as one) is not deleted, and the walk fails.
bool removeTree(const std::wstring& path);
