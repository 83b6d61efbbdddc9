// kovrant-collection's run: the records of each tape directory read,
// --verify's files checked, --bag's bags written, and COLLECTION.json,
// COLLECTION.csv and COLLECTION.html written in the current directory.
#pragma once

#include <string>
#include <vector>

#include "outputs.h"

namespace collection {

// The exit status: 0 done, 1 a file or bag could not be written, 2 a
// directory given is none, 5 --verify found a file that does not agree
// with its record.
int runCollection(const std::vector<std::string>& directories, const RunOptions& options);

}  // namespace collection
