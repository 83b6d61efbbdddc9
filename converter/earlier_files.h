// The files an earlier conversion put in place beside the image, as its
// record lists them. A run that writes other files (other options, another
// image) leaves none of the earlier ones claiming to be its own: at its end
// each earlier file it did not write again is removed where it stands as
// the earlier run left it, and told stale where it has changed since.
// Nothing that no record names, nor a file of another user's, is touched.
#pragma once

#include <string>
#include <vector>

#include "records.h"

class ConversionLog;

// The files the record SELTHIX.json names, read before this run's record
// takes its place: its "written" list (older records: the WAV files that
// have a SHA-256). Only a record of this user's counts.
std::vector<records::WrittenFile> earlierFiles();

// At the end of a run, every earlier file that this run's record does not
// list as written: after a whole conversion (`sweep`), removed when its size
// and time (or its SHA-256) are as the earlier run recorded them, else kept
// and told stale, both told to `log` (its log, record and page); after
// --check or a run that ended early, which leave the earlier files in
// place, those that still stand listed again as the earlier run left them,
// so that a later run knows them.
void settleEarlierFiles(const std::vector<records::WrittenFile>& earlier, bool sweep,
                        ConversionLog& log);
