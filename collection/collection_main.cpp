// kovrant-collection: the records of many tape directories read and written
// as one collection, COLLECTION.json, COLLECTION.csv and COLLECTION.html in
// the current directory; with --verify their files checked against them,
// with --bag DIR each converted tape written as a BagIt bag.
#include <string>
#include <vector>

#include "arguments.h"
#include "collection.h"
#include "collection_messages.h"
#include "console.h"
#include "language.h"

int main(int argc, char** argv) {
  if (!reserveStandardStreams()) return 1;
  useLanguage(systemLanguage());
  int exitStatus = 0;
  static const char* const kOptions[] = {"--verify", "--bag=", nullptr};
  Arguments arguments;
  if (answerArguments(argc, argv, "kovrant-collection", msg::kCollectionHelp, &exitStatus, kOptions,
                      &arguments, true)) {
    return exitStatus;
  }
  prepareConsole();
  if (arguments.operands.empty()) {
    printStderr(msg::kCollectionUsage);
    return 2;
  }
  collection::RunOptions options;
  options.verify = arguments.has(0);
  if (arguments.values[1] != nullptr) options.bag = arguments.values[1];
  std::vector<std::string> directories(arguments.operands.begin(), arguments.operands.end());
  return collection::runCollection(directories, options);
}
