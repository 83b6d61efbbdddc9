// 16-bit stereo PCM WAV output: a canonical 44-byte header, the audio bytes,
// and the two size fields patched in place at close; where asked, the MD5 of
// the audio bytes as they are written, in a chunk of its own at the end.
// When the size of the audio is told before open, the header written at open
// is already final and the SHA-256 of the whole file is taken as its bytes
// are written, without reading it back. The file is written
// under a temporary name and takes its own name only when it is complete, so
// that no WAV is ever left whose header disagrees with its length.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "md5.h"
#include "output_file.h"
#include "sha256.h"
#include "side_thread.h"

class WavWriter {
 public:
  WavWriter() { init(0); }
  ~WavWriter() { close(); }
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  // Header for `rate` with zero sizes; no file, counters 0, no extra chunks.
  void init(uint32_t rate);
  // Whole chunks to write between the RIFF header and "fmt " (`leading`) and
  // after the audio (`trailing`); either may be null. `md5`: an "MD5 " chunk
  // of the audio bytes written, last. Set before open; the vectors must live
  // until close.
  void setChunks(const std::vector<uint8_t>* leading, const std::vector<uint8_t>* trailing,
                 bool md5 = false);
  // The audio bytes the file will hold: the header written at open carries
  // its final sizes, and the file's SHA-256 is taken as it is written. Set
  // before open.
  void setDataSize(uint32_t bytes);
  // Starts the file that will replace `name` and writes the header.
  bool open(const char* name);
  // Appends `count` bytes. False without effect for no bytes, a count of 0
  // or no open file; false after the stream has failed.
  bool write(uint32_t count, const void* bytes);
  // Writes the trailing chunks and the "MD5 " chunk, patches the sizes into
  // the header at the start of the file, closes it and puts it in place
  // under its name. True when every write, the seek,
  // the close and the rename since open succeeded; otherwise the file is
  // removed.
  bool close();
  // Removes the file without putting it in place.
  void abandon();

  // errno of the first failure since open, 0 when there was none.
  int error() const { return failure; }
  bool isOpen() const { return file != nullptr; }
  // The MD5 of the "MD5 " chunk written at close, in hexadecimal; empty
  // without one.
  const std::string& md5() const { return md5Hex; }
  // The SHA-256 of the whole file put in place, in hexadecimal; empty when
  // no size was told, or the audio written was not the size told (the
  // header written at open was not the file's), or the file was not kept.
  const std::string& sha256() const { return sha256Hex; }

 private:
  FILE* file;
  uint32_t written;
  uint32_t data;
  uint8_t header[44];
  const std::vector<uint8_t>* leading;
  const std::vector<uint8_t>* trailing;
  bool digesting;
  Md5 digest;
  std::string md5Hex;
  bool planned;  // setDataSize was told the audio's size
  Sha256 fileDigest;
  std::string sha256Hex;
  bool writeHeader(bool patch);
  void emit(const void* bytes, size_t count, bool audio);
  void flush();
  void settle();
  void fail();
  int failure;
  StagedFile staged;
  std::unique_ptr<uint8_t[]> buffers[2];  // one filled while the other is written and hashed
  int current;
  size_t filled;
  size_t md5Begin, md5End;  // the audio in the buffer being filled
  bool threaded;            // the worker takes a digest
  SideThread worker;
};

// The largest number of frames of `bytesPerFrame` audio bytes that one WAV
// file can hold: header, `otherBytes` of further chunks and data must stay
// within the 32-bit RIFF sizes.
int64_t wavFrameLimit(uint32_t bytesPerFrame, uint64_t otherBytes = 0);

// What the caller decides while a file is written (either may be null):
// stop() is asked after every frame (a source that became unreadable, an
// interrupt), keep() before the file is put in place (its source unchanged).
struct WavChecks {
  bool (*stop)() = nullptr;
  bool (*keep)() = nullptr;
};

// Digital silence of `frames` frames before frame `before` of the range: the
// tape time of a gap kept.
struct Silence {
  int64_t before;
  int64_t frames;
};

// Turns a frame's audio (or a frame of silence) into the bytes the file
// holds for it (long play decoded, de-emphasis): `out` receives the
// writer's bytes per frame. Called in the order of the file.
struct FrameTransform {
  void (*apply)(void* state, const uint8_t* audio, uint8_t* out) = nullptr;
  void* state = nullptr;
};

namespace quality {
class Meter;
}

// What a WAV file holds besides the frames' audio.
struct WavPlan {
  FrameTransform transform;         // none: the first bytes of each frame's audio as they are
  quality::Meter* meter = nullptr;  // given each frame's bytes as the file holds them
  std::vector<Silence> silence;     // in order of `before`
  std::vector<uint8_t> leading;     // chunks before "fmt " (bext)
  std::vector<uint8_t> trailing;    // chunks after the audio (cue, LIST)
  bool md5 = false;                 // the "MD5 " chunk of the audio, last
  // The bytes of the chunks besides "fmt " and "data".
  uint64_t chunkBytes() const;
  // >= 0: the file ends after this many frames of audio and silence, where
  // the caller cut a range too long for one WAV file.
  int64_t framesLimit = -1;
};

// What became of one WAV file.
struct WavResult {
  enum Kind {
    Written,       // the whole file is in place
    CreateFailed,  // it could not be started (error)
    WriteFailed,   // a write, the seek, the close or the rename failed (error)
    Stopped,       // the caller's stop() said so during the writing: nothing was kept
    NotKept,       // the caller's keep() refused the file at the end: nothing was kept
  };
  Kind kind = Written;
  int error = 0;             // errno of the failure
  int64_t framesLimit = -1;  // >= 0: the range was longer than a WAV holds; this many were kept
  std::string md5;           // of the audio written, in hexadecimal, where the plan asked for it
  std::string sha256;        // of the whole file as written; empty where it must be read back
  bool complete() const { return kind == Written && framesLimit < 0; }
};

// Writes frames first .. last (inclusive; none when last < first) of the image
// at `image` as the WAV file `name`, taking the first `bytesPerFrame` bytes of
// each frame, and tells what became of it. Prints nothing.
// `plan`, when given, adds its silence and chunks; `checks` let the caller
// stop the file or refuse it.
WavResult writeWav(const char* name, const uint8_t* image, int64_t first, int64_t last,
                   uint32_t rate, uint32_t bytesPerFrame, const WavPlan* plan = nullptr,
                   const WavChecks* checks = nullptr);

// The bytes of frames first .. last that writeWav would write by `plan`
// (its silence, transform and frame limit) handed to the plan's meter, and
// no file written: what --check measures. False when `checks` stopped it.
bool measureWav(const uint8_t* image, int64_t first, int64_t last, uint32_t bytesPerFrame,
                const WavPlan& plan, const WavChecks* checks = nullptr);
