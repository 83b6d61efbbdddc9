#include "collection.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "bag.h"
#include "collection_messages.h"
#include "console.h"
#include "disk.h"
#include "output_file.h"
#include "verify.h"

namespace collection {

namespace {

long long ll(int64_t v) {
  return static_cast<long long>(v);
}

std::string clock(double seconds) {
  long long s = std::llround(seconds);
  return textOf("%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
}

// The directories given, each once; false (said) where one is none.
bool readEntries(const std::vector<std::string>& dirs, std::vector<TapeEntry>* entries) {
  std::string here;
  if (!disk::absolutePath(".", &here)) here.clear();
  for (const std::string& dir : dirs) {
    if (!disk::isDirectory(dir.c_str())) {
      printStderr(msg::kCollectionNotDirectory, shownName(dir.c_str()).c_str());
      return false;
    }
  }
  for (size_t k = 0; k < dirs.size(); ++k) {
    size_t same = 0;
    while (same < k && !sameFile(dirs[same].c_str(), dirs[k].c_str())) ++same;
    if (same < k) {
      printStdout(msg::kCollectionSameDirectory, shownName(dirs[k].c_str()).c_str(),
                  shownName(dirs[same].c_str()).c_str());
      continue;
    }
    entries->push_back(readTapeDirectory(dirs[k], here));
  }
  sortEntries(entries);
  return true;
}

// Every file the conversions name, checked on both processors at once.
void verifyAll(std::vector<TapeEntry>* entries) {
  std::vector<std::vector<FileCheck>> checks;
  std::vector<FileCheck*> all;
  for (const TapeEntry& e : *entries) {
    checks.push_back(e.conversion ? filesNamed(*e.conversion, e.path) : std::vector<FileCheck>());
  }
  for (std::vector<FileCheck>& list : checks) {
    for (FileCheck& c : list) all.push_back(&c);
  }
  checkFiles(&all);
  for (size_t k = 0; k < entries->size(); ++k) {
    VerifyResult v;
    for (const FileCheck& c : checks[k]) {
      v.files += 1;
      v.bytes += c.read;
      if (!c.found.problems.empty()) v.problems.push_back(c.found);
    }
    (*entries)[k].verify = v;
  }
}

const char* problemWord(const std::string& p) {
  return p == "missing"        ? msg::kProblemMissing.c_str()
         : p == "unreadable"   ? msg::kProblemUnreadable.c_str()
         : p == "size"         ? msg::kProblemSize.c_str()
         : p == "sha256"       ? msg::kProblemSha256.c_str()
         : p == "no-md5-chunk" ? msg::kProblemNoMd5Chunk.c_str()
         : p == "md5-chunk"    ? msg::kProblemMd5Chunk.c_str()
         : p == "md5-data"     ? msg::kProblemMd5Data.c_str()
                               : msg::kProblemName.c_str();
}

void sayEntry(const TapeEntry& e) {
  std::string tape = e.tape().value_or(msg::kCollectionNoIdentity.c_str());
  std::string path = shownName(e.path.c_str());
  const char* verdict = verdictWord(e.verdict());
  const std::optional<records::Conversion>& c = e.conversion;
  if (c && c->totals && !c->check) {
    double duration = 0;
    for (const records::ConversionFile& f : c->files) duration += f.derivedFrom ? 0 : f.duration;
    printStdout(msg::kCollectionTapeConverted, tape.c_str(), path.c_str(), verdict,
                ll(static_cast<int64_t>(c->files.size())), clock(duration).c_str(),
                ll(c->totals->gaps), ll(c->totals->discontinuities));
  } else {
    printStdout(msg::kCollectionTape, tape.c_str(), path.c_str(), verdict);
  }
  for (const FileProblem& p : e.verify ? e.verify->problems : std::vector<FileProblem>()) {
    std::string words;
    for (const std::string& one : p.problems) {
      words += (words.empty() ? "" : ", ") + std::string(problemWord(one));
      if (one == "unreadable" && p.error != 0)
        words += std::string(" (") + std::strerror(p.error) + ")";
    }
    printStdout(msg::kCollectionProblem, shownName(inDirectory(e.path, p.name).c_str()).c_str(),
                words.c_str());
  }
}

std::string bagReason(const BagResult& b) {
  const std::string& c = b.code;
  if (c == "no-identity") return msg::kBagNoIdentity.c_str();
  if (c == "not-converted") return msg::kBagNotConverted.c_str();
  if (c == "failed") return msg::kBagFailedConversion.c_str();
  if (c == "changed") return msg::kBagChanged.c_str();
  if (c == "other") return textOf(msg::kBagOther, shownName(b.path.c_str()).c_str());
  if (c == "in-the-way") return msg::kBagInTheWay.c_str();
  if (c == "differs") return textOf(msg::kBagDiffers, shownName(b.file.c_str()).c_str());
  const char* why =
      c == "name" ? msg::kProblemName.c_str() : std::strerror(b.error ? b.error : EIO);
  return textOf(msg::kBagFileFailed, shownName(b.file.c_str()).c_str(), why);
}

// The bags written; false where one could not be.
bool writeBags(std::vector<TapeEntry>* entries, const std::string& bags) {
  errno = 0;
  if (!disk::isDirectory(bags.c_str()) && !disk::makeDirectory(bags.c_str())) {
    printStderr(msg::kBagDirectoryFailed, shownName(bags.c_str()).c_str(), std::strerror(errno));
    return false;
  }
  chooseBags(entries);
  bool all = true;
  for (TapeEntry& e : *entries) {
    if (!e.bag) writeBag(&e, bags);
    const BagResult& b = *e.bag;
    std::string path = shownName(b.state == "refused" ? e.path.c_str() : b.path.c_str());
    if (b.state == "written") {
      printStdout(msg::kBagWritten, path.c_str(), ll(b.files), ll(b.bytes));
    } else if (b.state == "refused") {
      printStdout(msg::kBagRefused, path.c_str(), bagReason(b).c_str());
    } else {
      printStderr(msg::kBagFailed, path.c_str(), bagReason(b).c_str());
      all = false;
    }
  }
  return all;
}

// Said of an output written: where it went; false where it was not.
bool told(const char* own, bool written, const std::string& name, int refusal) {
  if (!written) {
    printStderr(msg::kCollectionWriteFailed, own, std::strerror(errno != 0 ? errno : EIO));
  } else if (refusal != 0) {
    printStderr(msg::kCollectionElsewhere, own, std::strerror(refusal), name.c_str());
  } else {
    printStdout(msg::kCollectionWritten, name.c_str());
  }
  return written;
}

bool writeOutputs(const Json& document) {
  JsonRecord record("COLLECTION.json", kSchema);
  record.doc() = document;
  errno = 0;
  bool written = record.write();
  bool all = told("COLLECTION.json", written, record.name(), record.refusal());
  const char* names[] = {"COLLECTION.csv", "COLLECTION.html"};
  std::string texts[] = {csvText(document), pageText(document)};
  for (int k = 0; k < 2; ++k) {
    StagedFile file;
    errno = 0;
    written = file.writeWhole(names[k], texts[k]);
    all = told(names[k], written, file.name(), file.refusal()) && all;
  }
  return all;
}

void saySummary(const Json& document) {
  const Json& totals = document["totals"];
  const Json& v = totals["verdicts"];
  auto n = [&v](const char* key) { return v[key].get<long long>(); };
  printStdout(msg::kCollectionSummary, totals["directories"].get<long long>(), n("complete"),
              n("gaps"), n("not-converted"), n("failed"), n("changed"), n("no-records"));
}

}  // namespace

int runCollection(const std::vector<std::string>& directories, const RunOptions& options) {
  if (options.bag && disk::standsUnder(options.bag->c_str()) &&
      !disk::isDirectory(options.bag->c_str())) {
    printStderr(msg::kCollectionNotDirectory, shownName(options.bag->c_str()).c_str());
    return 2;
  }
  std::vector<TapeEntry> entries;
  if (!readEntries(directories, &entries)) return 2;
  if (options.verify) verifyAll(&entries);
  for (const TapeEntry& e : entries) sayEntry(e);
  bool written = !options.bag || writeBags(&entries, *options.bag);
  Json document = collectionDocument(entries, options);
  written = writeOutputs(document) && written;
  int64_t changed = 0, files = 0, bytes = 0;
  for (const TapeEntry& e : entries) {
    if (!e.verify) continue;
    changed += static_cast<int64_t>(e.verify->problems.size());
    files += e.verify->files;
    bytes += e.verify->bytes;
  }
  if (options.verify) printStdout(msg::kCollectionVerified, ll(files), ll(bytes), ll(changed));
  saySummary(document);
  return !written ? 1 : changed > 0 ? 5 : 0;
}

}  // namespace collection
