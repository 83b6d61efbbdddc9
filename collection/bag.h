// --bag DIR: each converted tape written as a BagIt bag (RFC 8493), DIR/ID/
// (ID the tape's identity): its conversion's files as the payload under
// data/ (hard links where the file system allows, else copies), the
// records, logs and pages beside them as tag files under tags/, bagit.txt,
// bag-info.txt and the SHA-256 manifests. Every payload file's SHA-256 is
// taken as it is placed and compared with the record's. The bag is made
// in a directory of its own beside its place (".ID.part-PID-N") and renamed
// into place whole; one that cannot be completed is removed again, every
// file and directory made for it.
#pragma once

#include <string>
#include <vector>

#include "tape_entry.h"

namespace collection {

// Decides which entries can be bagged, and notes in `bag` of the others
// why not: no identity, not converted, a conversion that did not end well,
// files that do not agree with their record (--verify), or another
// directory of the same tape bagged instead (the best verdict, a merge's
// before a capture's, then the first by path: one bag per tape).
void chooseBags(std::vector<TapeEntry>* entries);
// Writes the bag of `e` (chosen: its bag still unset) in `bags`, and notes
// in e->bag what came of it.
void writeBag(TapeEntry* e, const std::string& bags);

}  // namespace collection
