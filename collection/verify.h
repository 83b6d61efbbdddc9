// --verify: every file a conversion's record names read once and checked
// against it: its size, its SHA-256 and, for a WAV file whose record gives
// "md5", its "MD5 " chunk against the record and against the MD5 of its data
// chunk.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "records.h"
#include "tape_entry.h"

namespace collection {

// One file and what its record says of it.
struct FileCheck {
  std::string path;  // where it is read
  std::string name;  // as the record names it
  std::optional<int64_t> bytes;
  std::optional<std::string> sha256, md5;
  bool nameRefused = false;  // not a plain file name: not read
  // What the reading found.
  FileProblem found;
  int64_t read = 0;
  std::string sha256Found;  // where taken
};

// The files the conversion record `c` names in the directory `dir`: each
// of its "written" list (WAV files, label files, SELTHIX-CORE.csv, access
// copies) with its size and SHA-256, and each file of "files" with a
// SHA-256 (a file it kept) with the MD5 it names.
std::vector<FileCheck> filesNamed(const records::Conversion& c, const std::string& dir);
// True when `name` is a file's name inside the directory (no path, not "."
// or "..").
bool plainName(const std::string& name);
// Reads the file and notes in c->found what does not agree.
void checkFile(FileCheck* c);
// Checks every file, the largest first, on both processors.
void checkFiles(std::vector<FileCheck*>* files);

}  // namespace collection
