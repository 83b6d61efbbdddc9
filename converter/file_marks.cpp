#include "file_marks.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "console.h"
#include "converter_messages.h"
#include "dat_frame.h"
#include "output_file.h"
#include "tape_time.h"

std::string markerText(const FileBreak& b, int accuracy) {
  char text[160];
  std::string before = tapetime::text(b.where.timeBefore);
  std::string after = tapetime::text(b.where.timeAfter);
  if (b.where.kind == tapetime::Break::Jump) {
    std::snprintf(text, sizeof text, "discontinuity: ATIME %s -> %s", before.c_str(),
                  after.c_str());
  } else {
    const char* how = b.place == FileBreak::Before  ? ", before this file (in no file)"
                      : b.place == FileBreak::After ? ", after this file (in no file)"
                      : b.filled                    ? ", filled with silence"
                                                    : "";
    std::snprintf(text, sizeof text, "gap: %lld frames missing (+-%d), ATIME %s -> %s%s",
                  static_cast<long long>(b.where.missing), accuracy, before.c_str(), after.c_str(),
                  how);
  }
  return text;
}

BextFields bextFields(const FileRecord& r, int program, const ConversionOptions& options,
                      const ImageDate& date, uint64_t reference) {
  bool keptToLength = options.keepTime;
  BextFields f;
  int64_t gaps = 0, jumps = 0;
  for (const FileBreak& b : r.breaks) (b.where.kind == tapetime::Break::Gap ? gaps : jumps)++;
  char text[256];
  std::snprintf(
      text, sizeof text, "DAT program %d, %u Hz, ATIME %s - %s, %lld gaps%s, %lld discontinuities",
      program, r.rate, r.hasTime ? tapetime::text(r.firstTime).c_str() : "none",
      r.hasTime ? tapetime::text(r.lastTime).c_str() : "none", static_cast<long long>(gaps),
      keptToLength ? " (kept to length)" : "", static_cast<long long>(jumps));
  f.description = text;
  f.originator = "SELTHIX " DAT_VERSION;
  f.reference = options.tape.empty() ? dat::kImageName : options.tape;
  f.date = date.date;
  f.time = date.time;
  f.timeReference = reference;
  std::snprintf(text, sizeof text, "A=PCM,F=%u,W=16,M=stereo,T=DAT audio via KOVRANT.IMG%s\r\n",
                r.rate, r.emphasisOn > 0 ? "; pre-emphasis 50/15us (not removed)" : "");
  f.codingHistory = text;
  return f;
}

std::string deEmphasisHistory(const FileRecord& copy) {
  char text[200];
  std::snprintf(text, sizeof text,
                "A=PCM,F=%u,W=16,M=stereo,T=de-emphasis 50/15us, derived access copy of %s\r\n",
                copy.rate, copy.derivedFrom.c_str());
  return text;
}

bool writeLabels(const FileRecord& r, int64_t samplesPerFrame, int accuracy) {
  std::string name = r.name.substr(0, r.name.size() - 4) + ".txt";
  StagedFile labels;
  errno = 0;
  if (!labels.create(name.c_str())) {
    printStderr(msg::kWavCreateFailed, name.c_str(), std::strerror(errno));
    return false;
  }
  for (const FileBreak& b : r.breaks) {
    double start = double(b.sample) / r.rate;
    double end = b.filled ? double(b.sample + b.where.missing * samplesPerFrame) / r.rate : start;
    std::fprintf(labels.stream(), "%.6f\t%.6f\t%s\n", start, end, markerText(b, accuracy).c_str());
  }
  errno = 0;
  if (std::ferror(labels.stream()) != 0 || !labels.commit()) {
    printStderr(msg::kWavWriteFailed, name.c_str(), std::strerror(errno ? errno : EIO));
    return false;
  }
  return true;
}

namespace {

// A CSV field: quoted, its quotes doubled, when it holds a comma, a quote or
// a line end.
std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace

std::string coreDocument(const std::vector<CoreRow>& rows) {
  std::string text =
      "FileName,Description,Originator,OriginatorReference,OriginationDate,OriginationTime,"
      "TimeReference (translated),TimeReference,BextVersion,UMID,CodingHistory\r\n";
  for (const CoreRow& row : rows) {
    BextFields f = heldInChunk(row.bext);
    uint64_t ms = row.rate > 0 ? f.timeReference * 1000 / row.rate : 0;
    char translated[32];
    std::snprintf(translated, sizeof translated, "%02llu:%02llu:%02llu.%03llu",
                  static_cast<unsigned long long>(ms / 3600000),
                  static_cast<unsigned long long>(ms / 60000 % 60),
                  static_cast<unsigned long long>(ms / 1000 % 60),
                  static_cast<unsigned long long>(ms % 1000));
    const std::string fields[] = {row.name,
                                  f.description,
                                  f.originator,
                                  f.reference,
                                  f.date,
                                  f.time,
                                  translated,
                                  std::to_string(f.timeReference),
                                  std::to_string(kBextVersion),
                                  "",
                                  f.codingHistory};
    for (const std::string& field : fields) {
      if (&field != fields) text += ',';
      text += csvField(field);
    }
    text += "\r\n";
  }
  return text;
}

std::string writeCoreDocument(const std::vector<CoreRow>& rows) {
  StagedFile file;
  if (!file.writeWhole(kCoreName, coreDocument(rows))) {
    printStderr(msg::kWavWriteFailed, kCoreName, std::strerror(errno ? errno : EIO));
    return "";
  }
  if (file.refusal() != 0) {
    printStderr(msg::kCoreDocumentElsewhere, std::strerror(file.refusal()), file.name().c_str());
  }
  return file.name();
}
