#include "wav_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "dat_frame.h"
#include "little_endian.h"
#include "quality.h"
#include "wav_chunks.h"

namespace {

constexpr uint32_t kHeaderSize = 44;
constexpr size_t kStreamBuffer = 1024 * 1024;

}  // namespace

void WavWriter::init(uint32_t rate) {
  std::memcpy(header + 0, "RIFF", 4);
  writeLe32(header + 4, 0);
  std::memcpy(header + 8, "WAVE", 4);
  std::memcpy(header + 12, "fmt ", 4);
  writeLe32(header + 16, 16);
  writeLe16(header + 20, 1);  // PCM
  writeLe16(header + 22, 2);  // channels
  writeLe32(header + 24, rate);
  writeLe32(header + 28, rate * 4);  // byte rate
  writeLe16(header + 32, 4);         // block align
  writeLe16(header + 34, 16);        // bits per sample
  std::memcpy(header + 36, "data", 4);
  writeLe32(header + 40, 0);
  file = nullptr;
  written = 0;
  data = 0;
  failure = 0;
  leading = nullptr;
  trailing = nullptr;
  digesting = false;
  digest = Md5();
  md5Hex.clear();
  planned = false;
  threaded = false;
  fileDigest = Sha256();
  sha256Hex.clear();
}

void WavWriter::setChunks(const std::vector<uint8_t>* before, const std::vector<uint8_t>* after,
                          bool md5) {
  leading = before != nullptr && !before->empty() ? before : nullptr;
  trailing = after != nullptr && !after->empty() ? after : nullptr;
  digesting = md5;
}

namespace {

bool writeAll(const void* bytes, size_t count, FILE* file) {
  errno = 0;
  return std::fwrite(bytes, 1, count, file) == count;
}

}  // namespace

void WavWriter::setDataSize(uint32_t bytes) {
  uint64_t chunks = (leading != nullptr ? leading->size() : 0) +
                    (trailing != nullptr ? trailing->size() : 0) + (digesting ? kMd5ChunkSize : 0);
  if (uint64_t{kHeaderSize} - 8 + chunks + bytes > UINT32_MAX) return;
  writeLe32(header + 4, static_cast<uint32_t>(kHeaderSize - 8 + chunks + bytes));
  writeLe32(header + 40, bytes);
  planned = true;
}

void WavWriter::fail() {
  if (failure == 0) failure = errno != 0 ? errno : EIO;
}

// Appends `count` bytes to the file through the buffer; `audio`: they are
// the data chunk's, for its MD5.
void WavWriter::emit(const void* bytes, size_t count, bool audio) {
  const uint8_t* from = static_cast<const uint8_t*>(bytes);
  while (count > 0) {
    size_t take = std::min(count, kStreamBuffer - filled);
    std::memcpy(buffers[current].get() + filled, from, take);
    if (audio) {
      if (md5End == md5Begin) md5Begin = filled;
      md5End = filled + take;
    }
    filled += take;
    from += take;
    count -= take;
    if (filled == kStreamBuffer) flush();
  }
}

// Writes the buffer out and takes its digests: on the worker where there is
// one (the MD5 with --bwf, otherwise the SHA-256; the SHA-256 of a file with
// an MD5 here, so that each core takes one), else here. The other buffer is
// filled meanwhile: the worker is done with it once post returns.
void WavWriter::flush() {
  if (filled == 0) return;
  const uint8_t* bytes = buffers[current].get();
  size_t count = filled;
  size_t md5At = md5Begin, md5Count = md5End - md5Begin;
  bool md5 = digesting && md5Count > 0;
  bool shaThere = threaded && planned && !digesting;
  if (threaded) {
    worker.post([this, bytes, count, md5At, md5Count, md5, shaThere] {
      if (shaThere) fileDigest.update(bytes, count);
      if (md5) digest.update(bytes + md5At, md5Count);
    });
  } else if (md5) {
    digest.update(bytes + md5At, md5Count);
  }
  if (planned && !shaThere) fileDigest.update(bytes, count);
  if (failure == 0 && !writeAll(bytes, count, file)) fail();
  current ^= 1;
  filled = 0;
  md5Begin = md5End = 0;
}

// Ends the worker: every digest taken so far is whole, and what follows is
// taken here.
void WavWriter::settle() {
  flush();
  worker.finish();
  threaded = false;
}

bool WavWriter::writeHeader(bool patch) {
  // Three pieces: RIFF chunk header, the fmt chunk with the data chunk id, data size.
  // Extra chunks before "fmt " come after the first piece. The patch at
  // close goes to the file itself, after the buffer.
  static constexpr uint32_t kPieces[][2] = {{0, 12}, {12, 24}, {36, 8}};
  auto put = [this, patch](const void* bytes, size_t count) {
    if (!patch) {
      emit(bytes, count, false);
    } else if (!writeAll(bytes, count, file)) {
      fail();
      return false;
    }
    return true;
  };
  for (const auto& piece : kPieces) {
    if (!put(header + piece[0], piece[1])) return false;
    if (piece[0] == 0 && leading != nullptr && !put(leading->data(), leading->size())) return false;
  }
  return true;
}

bool WavWriter::open(const char* name) {
  if (file != nullptr) return false;
  errno = 0;
  if (!staged.create(name)) {
    fail();
    return false;
  }
  file = staged.stream();
  failure = 0;
  // The writer's own buffers make large writes: few system calls per file.
  std::setvbuf(file, nullptr, _IONBF, 0);
  for (auto& b : buffers) {
    if (!b) b.reset(new uint8_t[kStreamBuffer]);
  }
  current = 0;
  filled = md5Begin = md5End = 0;
  // A file of more than one buffer is hashed beside its writing.
  threaded = (planned ? readLe32(header + 40) > kStreamBuffer : digesting) && worker.start();
  writeHeader(false);
  written += kHeaderSize + static_cast<uint32_t>(leading != nullptr ? leading->size() : 0);
  return true;
}

bool WavWriter::write(uint32_t count, const void* bytes) {
  if (bytes == nullptr || count == 0 || file == nullptr) return false;
  if (failure != 0) return false;
  emit(bytes, count, true);
  if (failure != 0) return false;
  written += count;
  data += count;
  return true;
}

bool WavWriter::close() {
  if (file == nullptr) return true;
  auto append = [this](const std::vector<uint8_t>& chunks) {
    if (failure != 0) return;
    emit(chunks.data(), chunks.size(), false);
    written += static_cast<uint32_t>(chunks.size());
  };
  if (trailing != nullptr) append(*trailing);
  settle();
  if (digesting && failure == 0) {
    uint8_t sum[16];
    digest.digest(sum);
    append(md5Chunk(sum));
    md5Hex = Md5::hex(sum);
  }
  // The sizes written at open are the file's only when the audio told
  // before open was all written: only then is the digest the file's.
  bool digestHolds =
      planned && readLe32(header + 4) == written - 8 && readLe32(header + 40) == data;
  writeLe32(header + 4, written - 8);
  writeLe32(header + 40, data);
  flush();
  errno = 0;
  if (std::fseek(file, 0, SEEK_SET) == 0) {
    writeHeader(true);
  } else {
    fail();
  }
  file = nullptr;
  errno = 0;
  if (failure != 0) {
    staged.discard();
  } else if (!staged.commit()) {
    fail();
  }
  if (failure != 0) md5Hex.clear();
  if (failure == 0 && digestHolds) sha256Hex = fileDigest.hex();
  return failure == 0;
}

void WavWriter::abandon() {
  worker.finish();
  threaded = false;
  filled = 0;
  file = nullptr;
  staged.discard();
}

uint64_t WavPlan::chunkBytes() const {
  return leading.size() + trailing.size() + (md5 ? kMd5ChunkSize : 0);
}

int64_t wavFrameLimit(uint32_t bytesPerFrame, uint64_t otherBytes) {
  if (bytesPerFrame == 0) return INT64_MAX;
  int64_t room = int64_t{UINT32_MAX} - kHeaderSize - static_cast<int64_t>(otherBytes);
  return room > 0 ? room / bytesPerFrame : 0;
}

namespace {

// Writes frames first .. first + frames - 1 of the image (to `wav`; none:
// only to the plan's meter), the plan's silence before the frames it
// names, at most `limit` frames in all. True when the caller's stop() ended
// it.
bool writeFrames(WavWriter* wav, const uint8_t* image, int64_t first, int64_t frames,
                 uint32_t bytesPerFrame, const WavPlan& p, int64_t limit, const WavChecks& c) {
  static const uint8_t kSilence[dat::kAudioSize] = {};
  std::vector<uint8_t> transformed(p.transform.apply != nullptr ? bytesPerFrame : 0);
  int64_t room = limit;
  auto put = [&](const uint8_t* bytes, bool filled) {
    if (p.transform.apply != nullptr) {
      p.transform.apply(p.transform.state, bytes, transformed.data());
      bytes = transformed.data();
    }
    if (room == 0 || (wav != nullptr && !wav->write(bytesPerFrame, bytes))) return false;
    if (p.meter != nullptr && filled) p.meter->gap(bytesPerFrame / 4);
    if (p.meter != nullptr && !filled) p.meter->samples(bytes, bytesPerFrame / 4);
    --room;
    return true;
  };
  size_t next = 0;
  bool going = true;
  for (int64_t k = first; going && k < first + frames; ++k) {
    for (; going && next < p.silence.size() && p.silence[next].before <= k; ++next) {
      if (p.silence[next].before < k) continue;
      for (int64_t m = 0; going && m < p.silence[next].frames; ++m) going = put(kSilence, true);
    }
    going = going && put(image + k * dat::kFrameSize, false);
    // Not one frame more once the caller says stop.
    if (c.stop != nullptr && c.stop()) return true;
  }
  return false;
}

}  // namespace

WavResult writeWav(const char* name, const uint8_t* image, int64_t first, int64_t last,
                   uint32_t rate, uint32_t bytesPerFrame, const WavPlan* plan,
                   const WavChecks* checks) {
  static const WavChecks kNoChecks;
  const WavChecks& c = checks != nullptr ? *checks : kNoChecks;
  WavResult result;
  WavWriter wav;
  wav.init(rate);
  static const WavPlan kNothing;
  const WavPlan& p = plan != nullptr ? *plan : kNothing;
  wav.setChunks(&p.leading, &p.trailing, p.md5);
  int64_t frames = first <= last ? last - first + 1 : 0;
  int64_t filled = 0, filledInRange = 0;
  for (const Silence& s : p.silence) {
    filled += s.frames;
    if (s.before >= first && s.before < first + frames) filledInRange += s.frames;
  }
  // Frames of audio and of silence alike count against the size limit.
  int64_t limit = wavFrameLimit(bytesPerFrame, p.chunkBytes());
  if (p.framesLimit >= 0) limit = std::min(limit, p.framesLimit);
  if (frames + filled > limit) result.framesLimit = limit;
  // What the frames written below come to, unless stopped or failing.
  wav.setDataSize(static_cast<uint32_t>(std::min(frames + filledInRange, limit) * bytesPerFrame));
  if (!wav.open(name)) {
    result.kind = WavResult::CreateFailed;
    result.error = wav.error();
    return result;
  }
  if (bytesPerFrame > 0 && writeFrames(&wav, image, first, frames, bytesPerFrame, p, limit, c)) {
    wav.abandon();
    result.kind = WavResult::Stopped;
  } else if (c.keep != nullptr && !c.keep()) {
    wav.abandon();
    result.kind = WavResult::NotKept;
  } else if (!wav.close()) {
    result.kind = WavResult::WriteFailed;
    result.error = wav.error();
  } else {
    result.md5 = wav.md5();
    result.sha256 = wav.sha256();
  }
  return result;
}

bool measureWav(const uint8_t* image, int64_t first, int64_t last, uint32_t bytesPerFrame,
                const WavPlan& plan, const WavChecks* checks) {
  static const WavChecks kNoChecks;
  int64_t frames = first <= last ? last - first + 1 : 0;
  int64_t limit = wavFrameLimit(bytesPerFrame, plan.chunkBytes());
  if (plan.framesLimit >= 0) limit = std::min(limit, plan.framesLimit);
  return bytesPerFrame == 0 || !writeFrames(nullptr, image, first, frames, bytesPerFrame, plan,
                                            limit, checks != nullptr ? *checks : kNoChecks);
}
