// The file-system steps that output_file.cpp is built from, one
// implementation per platform.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "output_file.h"

namespace platform {

// Creates `name` for writing only if nothing stands under it (never through
// a link). nullptr, with errno set, on failure.
FILE* createNew(const char* name);
// True, with errno set to EISDIR, when a directory stands under `name`.
bool directoryUnder(const char* name);
// Removes the name itself (a file's name, a link), never what a link leads
// to. True when it is gone or was never there; errno set otherwise.
bool removeName(const char* name);
// Renames `from` over `to`, replacing what stands under `to`. errno set on failure.
bool moveOver(const char* from, const char* to);
// Renames `from` to `to` only when nothing stands under `to` (EEXIST then).
bool moveToFree(const char* from, const char* to);
unsigned long processId();
// See openRegular in output_file.h.
FILE* openRegular(const char* name);
// True when both names lead to one file (through links too).
bool sameFile(const char* a, const char* b);
// See ownFile in output_file.h.
bool ownFile(FILE* f);
// True when `name` itself (not what a link leads to) is a regular file of
// this user's (Windows: one that is no link or directory).
bool ownRegularFile(const char* name);
// See stampOf in output_file.h.
bool stampOf(FILE* f, FileStamp* stamp);
bool stampOf(const char* name, FileStamp* stamp);
// The names in the current directory.
std::vector<std::string> namesHere();
// True when `name` is a file of this user's (POSIX: its owner; Windows: any
// file the user can delete) and process `pid` no longer runs.
bool leftByGoneProcess(const char* name, unsigned long pid);

}  // namespace platform
