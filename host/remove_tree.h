#pragma once

#include <string>

// Removes the entry `relative` (names separated by backslashes) below the
// folder `base`: a file is deleted, a folder with everything below it,
// contents first. A path that does not exist counts as removed. The first
// removal that fails ends the walk with false; what was removed until then
// stays removed.
//
// `base` is opened as the system names it. From there on nothing is reached
// by path: each entry is opened through the handle of its folder, without
// following a link, its own attributes are read from that handle, a folder is
// listed through its handle, and an entry is deleted through its own handle.
//
// Links are never followed, in `relative` or anywhere below it: a symbolic
// link, junction or other reparse point is removed itself and its target is
// left alone. A link among the folders leading to the entry means that
// nothing below it is ours: the walk stops there, removes nothing and counts
// as done. An entry that the system opens somewhere else than where it was
// found (a link the file system does not mark as one) is neither entered nor
// deleted, and the walk fails.
bool removeTree(const std::wstring& base, const std::wstring& relative);

// The same for a whole path: its last name below the folder that holds it.
bool removeTree(const std::wstring& path);
