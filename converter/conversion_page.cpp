#include "conversion_page.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "console.h"
#include "conversion_log.h"
#include "converter_messages.h"
#include "dat_frame.h"
#include "frame_view.h"
#include "interrupts.h"
#include "mapped_file.h"
#include "output_file.h"
#include "page.h"
#include "records.h"

namespace {

// Seconds of tape the strip spans at most: a time that leaps further (a
// broken ATIME) is left off rather than drawn across days.
constexpr int64_t kLongestStrip = 48 * 3600;
constexpr int kSilence = -96;  // dBFS of a second of digital silence

// The samples are little-endian, as on the processors the programs are
// built for; read as such, the loop over a block of fixed length is one the
// compiler turns into vector instructions (the strip is a pass over every
// frame's audio).
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "samples read in the host's order");

int16_t sampleAt(const uint8_t* audio, uint32_t k) {
  int16_t v;
  std::memcpy(&v, audio + 2 * k, 2);
  return v;
}

int peakOf(const uint8_t* audio, uint32_t bytes) {
  constexpr uint32_t kBlock = 64;
  const uint32_t samples = bytes / 2;
  int16_t lo = 0, hi = 0;
  uint32_t k = 0;
  for (; k + kBlock <= samples; k += kBlock) {
    for (uint32_t j = k; j < k + kBlock; ++j) {
      lo = std::min(lo, sampleAt(audio, j));
      hi = std::max(hi, sampleAt(audio, j));
    }
  }
  for (; k < samples; ++k) {
    lo = std::min(lo, sampleAt(audio, k));
    hi = std::max(hi, sampleAt(audio, k));
  }
  return std::max<int>(hi, -lo);
}

// The last line of the text file `name` in this directory (its last 64 kB
// read), when it is a regular file of this user's; empty otherwise.
std::string lastLine(const std::string& name) {
  std::string text;
  if (name.find_first_of("/\\:") != std::string::npos) return text;
  std::FILE* f = openRegular(name.c_str());
  if (f == nullptr) return text;
  char buffer[65536];
  if (ownFile(f) && (std::fseek(f, -static_cast<long>(sizeof buffer), SEEK_END) == 0 ||
                     std::fseek(f, 0, SEEK_SET) == 0)) {
    text.assign(buffer, std::fread(buffer, 1, sizeof buffer, f));
  }
  std::fclose(f);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  size_t last = text.find_last_of('\n');
  return last == std::string::npos ? text : text.substr(last + 1);
}

// The capture beside the image: its tallies from its record, in the words
// of its log, and the last line of its log (its summary): the log the record
// names, which may stand under another name than KOVRANT.LOG (another
// user's was there), and none where the capture could not write one.
Json captureSummary(const std::optional<records::Capture>& c) {
  if (!c) return Json();
  auto atime = [](const std::optional<records::Atime>& a) {
    return a ? shownName(a->text.c_str()) : std::string(msg::kLogNone);
  };
  const records::CaptureCounts& n = *c->counts;
  Json lines = {textOf(msg::kLogFirstAtime, atime(c->firstAtime).c_str()),
                textOf(msg::kLogLastAtime, atime(c->lastAtime).c_str()),
                textOf(msg::kCaptureLogGood, static_cast<long long>(n.goodReads)),
                textOf(msg::kCaptureLogWritten, static_cast<long long>(n.framesWritten)),
                textOf(msg::kCaptureLogFiltered, static_cast<long long>(n.framesFiltered)),
                textOf(msg::kCaptureLogStretches, static_cast<long long>(n.stretches)),
                textOf(msg::kCaptureLogErrors, static_cast<long long>(n.errorReads))};
  if (c->exitStatus) lines.push_back(textOf(msg::kLogExitStatus, *c->exitStatus));
  return {{"lines", lines}, {"summary", c->log ? lastLine(*c->log) : ""}};
}

}  // namespace

std::vector<int32_t> framePeaks(const uint8_t* image, int64_t frames, bool convert32k) {
  std::vector<int32_t> peaks(static_cast<size_t>(std::max<int64_t>(frames, 0)), -1);
  for (int64_t k = 0; k < frames; ++k) {
    // A run that stops shows no strip: no need to go on.
    if (k % 1024 == 0 && (interruptRequested() || mappedImageChanged())) break;
    const dat::DatFrame& f = dat::frameAt(image + k * dat::kFrameSize);
    uint32_t bytes =
        convertedBytes(dat::samplingCode(f), dat::quantizationCode(f), convert32k, false);
    if (bytes > 0) peaks[static_cast<size_t>(k)] = peakOf(f.bytes(), bytes);
  }
  return peaks;
}

Json levelStrip(const std::vector<int32_t>& framePeak, const tapetime::Track& track) {
  const int64_t frames = static_cast<int64_t>(framePeak.size());
  std::vector<int64_t> second(framePeak.size());
  int64_t last = -1, lastPosition = 0, lo = INT64_MAX, hi = INT64_MIN;
  for (int64_t k = 0; k < frames; ++k) {
    int64_t key = k < static_cast<int64_t>(track.keys.size()) ? track.keys[k] : tapetime::kNoTime;
    int64_t p;
    if (key != tapetime::kNoTime) {
      p = tapetime::position(tapetime::fromKey(key), track.cycle);
      last = k;
      lastPosition = p;
    } else {
      p = last < 0 ? k : lastPosition + (k - last);
    }
    second[k] = p * 3 / 100;  // 100 frames every 3 seconds
    if (k == 0 || second[k] < lo) lo = second[k];
    if (k == 0 || second[k] > hi) hi = second[k];
  }
  if (frames == 0) return {{"start", 0}, {"peaks", Json::array()}};
  hi = std::min(hi, lo + kLongestStrip);
  std::vector<int> peaks(static_cast<size_t>(hi - lo + 1), -1);
  for (int64_t k = 0; k < frames; ++k) {
    if (second[k] > hi || framePeak[k] < 0) continue;
    int& peak = peaks[static_cast<size_t>(second[k] - lo)];
    peak = std::max(peak, framePeak[k]);
  }
  Json list = Json::array();
  for (int p : peaks) {
    if (p < 0) {
      list.push_back(nullptr);
    } else {
      double db = p == 0 ? kSilence : 20 * std::log10(p / 32768.0);
      list.push_back(static_cast<int>(std::lround(std::max<double>(db, kSilence))));
    }
  }
  return {{"start", lo}, {"peaks", list}};
}

namespace {

// The day of the capture that describes the image: the date of its
// cassette's arrival (when the image was made), else of its start, as its
// record writes it (ISO 8601, the capture's own time of day); null where
// it has none.
Json captureDate(const std::optional<records::Capture>& c) {
  if (!c) return Json();
  const std::string& t = c->arrived ? *c->arrived : c->started;
  auto digits = [&](size_t from, size_t to) {
    for (size_t k = from; k < to; ++k) {
      if (t[k] < '0' || t[k] > '9') return false;
    }
    return true;
  };
  bool date = t.size() >= 10 && t[4] == '-' && t[7] == '-' && digits(0, 4) && digits(5, 7) &&
              digits(8, 10) && (t.size() == 10 || t[10] == 'T');
  return date ? Json(t.substr(0, 10)) : Json();
}

// The words for the kinds of concealment event, by their record names.
Json eventWords() {
  Json words = Json::object();
  for (quality::Event::Kind k : convlog::kEventKinds)
    words[convlog::eventCode(k)] = convlog::eventWord(k);
  return words;
}

// The page's own labels, by the names its script reads.
Json pageLabels() {
  return {{"conversionTitle", msg::kPageConversionTitle},
          {"level", msg::kPageLevel},
          {"files", msg::kPageFiles},
          {"name", msg::kPageName},
          {"rate", msg::kPageRate},
          {"duration", msg::kPageDuration},
          {"gaps", msg::kPageGaps},
          {"player", msg::kPagePlayer},
          {"gap", msg::kPageGap},
          {"jump", msg::kPageJump},
          {"notConverted", msg::kPageNotConverted},
          {"emphasis", msg::kPageEmphasis},
          {"noFile", msg::kPageNoFile},
          {"capture", msg::kPageCapture},
          {"empty", msg::kPageEmpty},
          {"earlier", msg::kPageEarlier},
          {"earlierRemoved", msg::kPageEarlierRemoved},
          {"earlierStale", msg::kPageEarlierStale},
          {"legendProgram", msg::kPageLegendProgram},
          {"legendOff", msg::kPageLegendOff},
          {"legendEmphasis", msg::kPageLegendEmphasis},
          {"legendJoined", msg::kPageLegendJoined},
          {"legendFilled", msg::kPageLegendFilled},
          {"legendOutside", msg::kPageLegendOutside},
          {"legendJump", msg::kPageLegendJump},
          {"legendConcealed", msg::kPageLegendConcealed},
          {"concealed", msg::kPageConcealed},
          {"concealedHead", msg::kPageConcealedHead},
          {"concealedMore", msg::kPageConcealedMore},
          {"kinds", eventWords()},
          {"left", msg::kChannelLeft},
          {"right", msg::kChannelRight},
          {"both", msg::kChannelBoth},
          {"legendLevel", msg::kPageLegendLevel}};
}

}  // namespace

void writeConversionPage(page::PageFile& page, const ConversionLog& log,
                         const NeighbourRecords& neighbours, const Json& levels, bool say) {
  Json data = {
      {"kind", "conversion"},
      {"summary", log.summary().empty() ? msg::kConversionUnfinished.c_str() : log.summary()},
      {"totals", log.totals()},
      {"filled", msg::kConversionLogFilled.c_str()},
      {"joined", msg::kConversionLogJoined.c_str()},
      {"beforeFile", msg::kConversionLogBeforeFile.c_str()},
      {"afterFile", msg::kConversionLogAfterFile.c_str()},
      {"record", log.document()},
      {"levels", levels},
      {"capture", captureSummary(neighbours.capture)},
      {"captured", captureDate(neighbours.capture)}};
  page.write(data, pageLabels(), say);
}
