// The file-system steps of the collection that output_file.h has no call
// for: directories made, looked at, renamed and removed, hard links, and
// where a path leads. One implementation per platform.
#pragma once

#include <string>

namespace disk {

// True when `path` leads to a directory (also through a link).
bool isDirectory(const char* path);
// True when something stands under `path` itself (a link counts, whatever
// it leads to).
bool standsUnder(const char* path);
// The absolute path, without links or "." and "..", that `path` leads to,
// its parts separated by "/". False when it leads nowhere.
bool absolutePath(const std::string& path, std::string* absolute);
// Makes the directory `path`. False, with errno set (EEXIST when something
// stands there), otherwise.
bool makeDirectory(const char* path);
// Removes the empty directory `path`.
bool removeDirectory(const char* path);
// Gives the file `from` the second name `to`. False, with errno set, where
// the file system cannot (another device, no such links).
bool hardLink(const char* from, const char* to);
// Renames the directory `from` to `to` where nothing stands under `to`;
// False, with errno set (EEXIST when something does), otherwise.
bool renameToFree(const char* from, const char* to);

}  // namespace disk
