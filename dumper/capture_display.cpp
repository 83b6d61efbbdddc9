#include "capture_display.h"

#include <algorithm>
#include <cstdio>

#include "console.h"
#include "dumper_messages.h"
#include "system_services.h"
#include "tape_time.h"

namespace {

// The most each figure shows, so that the line keeps within its columns.
constexpr int64_t kMostFrames = 999999;
constexpr int64_t kMostStretches = 99999;
constexpr uint64_t kMostMilliseconds = (10 * 3600 - 1) * 1000ull;  // 9:59:59
// Frames in a minute of tape: 100 frames every 3 seconds.
constexpr int64_t kFramesPerMinute = 2000;

// "h:mm:ss".
std::string clockText(uint64_t milliseconds) {
  uint64_t s = std::min(milliseconds, kMostMilliseconds) / 1000;
  char text[16];
  std::snprintf(text, sizeof text, "%u:%02u:%02u", static_cast<unsigned>(s / 3600),
                static_cast<unsigned>(s / 60 % 60), static_cast<unsigned>(s % 60));
  return text;
}

// The last ATIME pack among those showAtime shows, as it shows it.
bool lastAtimeText(const dat::DatFrame& frame, std::string* text) {
  const uint8_t* last = nullptr;
  for (int k = 0; k < dat::packsInUse(frame); ++k) {
    if (dat::isAtimePack(frame.packs[k])) last = frame.packs[k];
  }
  if (last == nullptr) return false;
  char fields[32];
  std::snprintf(fields, sizeof fields, DAT_ATIME_FIELDS, last[3] >> 4, last[3] & 15, last[4] >> 4,
                last[4] & 15, last[5] >> 4, last[5] & 15, last[6] >> 4, last[6] & 15);
  *text = fields;
  return true;
}

// How far along the tape is and, once the tape has moved on, the time left
// at the pace it has moved so far; empty without the cassette's length or a
// time on the tape.
std::string alongText(const Progress& p) {
  if (p.lengthMinutes <= 0 || p.latestPosition < 0) return "";
  int64_t whole = p.lengthMinutes * kFramesPerMinute;
  int percent = static_cast<int>(std::min<int64_t>(100, p.latestPosition * 100 / whole));
  int64_t moved = p.latestPosition - p.firstPosition;
  if (moved <= 0 || p.elapsedMs == 0) return textOf(msg::kProgressAlongSoFar, percent);
  int64_t rest = std::max<int64_t>(0, whole - p.latestPosition);
  double left = static_cast<double>(rest) * static_cast<double>(p.elapsedMs) / moved;
  uint64_t leftMs = left < kMostMilliseconds ? static_cast<uint64_t>(left) : kMostMilliseconds;
  return textOf(msg::kProgressAlong, percent, clockText(leftMs).c_str());
}

}  // namespace

void showAtime(const dat::DatFrame& frame) {
  for (int k = 0; k < dat::packsInUse(frame); ++k) {
    const uint8_t* p = frame.packs[k];
    if (!dat::isAtimePack(p)) continue;
    printStdout(msg::kAtime, p[3] >> 4, p[3] & 15, p[4] >> 4, p[4] & 15, p[5] >> 4, p[5] & 15,
                p[6] >> 4, p[6] & 15);
  }
}

std::string progressLine(const Progress& p, const std::string& padding) {
  return textOf(msg::kProgress, p.atime.empty() ? msg::kNoAtimeYet.c_str() : p.atime.c_str(),
                clockText(p.elapsedMs).c_str(),
                static_cast<long long>(std::min(p.frames, kMostFrames)),
                static_cast<long long>(std::min(p.stretches, kMostStretches)), alongText(p).c_str(),
                padding.c_str());
}

size_t columnsOf(const std::string& line) {
  size_t columns = 0;
  for (unsigned char c : line) {
    if (c < 0x80) {
      columns += c == '\r' ? 0 : 1;
    } else if (c >= 0xC0) {
      columns += 2;  // the lead byte of a character beyond ASCII
    }
  }
  return columns;
}

CaptureDisplay::CaptureDisplay(bool terminal, int lengthMinutes)
    : terminal(terminal), start(steadyMilliseconds()) {
  shown.lengthMinutes = lengthMinutes;
}

void CaptureDisplay::goodRead(const dat::DatFrame& frame) {
  if (!terminal) {
    showAtime(frame);
    return;
  }
  ++shown.frames;
  inStretch = false;
  lastAtimeText(frame, &shown.atime);
  tapetime::Time t;
  if (tapetime::frameTime(frame, &t)) {
    shown.latestPosition = tapetime::position(t, tapetime::Cycle());
    if (shown.firstPosition < 0) shown.firstPosition = shown.latestPosition;
  }
  draw(false);
}

void CaptureDisplay::badRead() {
  if (!terminal) return;
  if (!inStretch) ++shown.stretches;
  inStretch = true;
  draw(false);
}

void CaptureDisplay::close() {
  if (!terminal || !drawn) return;
  draw(true);
  printStdout(msg::kProgressEnd);
}

void CaptureDisplay::draw(bool now) {
  uint64_t clock = steadyMilliseconds();
  if (drawn && !now && clock - drawnAt < kRedrawMilliseconds) return;
  shown.elapsedMs = clock - start;
  // Blanks where a wider line before reached further (after a tape time
  // that went back: a shorter percentage, no estimate).
  size_t columns = columnsOf(progressLine(shown));
  std::string padding(widest > columns ? widest - columns : 0, ' ');
  printStdout("%s", progressLine(shown, padding).c_str());
  widest = std::max(widest, columns);
  drawn = true;
  drawnAt = clock;
}
