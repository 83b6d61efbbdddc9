#include "wav_writer.h"

#include <cerrno>
#include <cstring>

#include "dat_frame.h"
#include "little_endian.h"
#include "mapped_file.h"

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
}

void WavWriter::fail() {
  if (failure == 0) failure = errno != 0 ? errno : EIO;
}

bool WavWriter::writeHeader() {
  // Three pieces: RIFF chunk header, the fmt chunk with the data chunk id, data size.
  static constexpr uint32_t kPieces[][2] = {{0, 12}, {12, 24}, {36, 8}};
  for (const auto& piece : kPieces) {
    errno = 0;
    if (std::fwrite(header + piece[0], 1, piece[1], file) != piece[1]) {
      fail();
      return false;
    }
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
  // The C library takes the size only with a buffer of the caller's.
  if (!streamBuffer) streamBuffer.reset(new char[kStreamBuffer]);
  std::setvbuf(file, streamBuffer.get(), _IOFBF, kStreamBuffer);
  writeHeader();
  written += kHeaderSize;
  return true;
}

bool WavWriter::write(uint32_t count, const void* bytes) {
  if (bytes == nullptr || count == 0 || file == nullptr) return false;
  if (failure != 0) return false;
  errno = 0;
  if (std::fwrite(bytes, 1, count, file) != count) {
    fail();
    return false;
  }
  written += count;
  data += count;
  return true;
}

bool WavWriter::close() {
  if (file == nullptr) return true;
  writeLe32(header + 4, written - 8);
  writeLe32(header + 40, data);
  errno = 0;
  if (std::fseek(file, 0, SEEK_SET) == 0) {
    writeHeader();
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
  return failure == 0;
}

void WavWriter::abandon() {
  file = nullptr;
  staged.discard();
}

int64_t wavFrameLimit(uint32_t bytesPerFrame) {
  if (bytesPerFrame == 0) return INT64_MAX;
  return (int64_t{UINT32_MAX} - kHeaderSize) / bytesPerFrame;
}

WavResult writeWav(const char* name, const uint8_t* image, int64_t first, int64_t last,
                   uint32_t rate, uint32_t bytesPerFrame) {
  WavResult result;
  WavWriter wav;
  wav.init(rate);
  if (!wav.open(name)) {
    result.kind = WavResult::CreateFailed;
    result.error = wav.error();
    return result;
  }
  int64_t frames = first <= last ? last - first + 1 : 0;
  int64_t limit = wavFrameLimit(bytesPerFrame);
  if (frames > limit) {
    result.framesLimit = limit;
    frames = limit;
  }
  if (bytesPerFrame > 0) {
    for (int64_t k = first; k < first + frames; ++k) {
      if (!wav.write(bytesPerFrame, image + k * dat::kFrameSize)) break;
    }
  }
  if (mappedImageChanged()) {
    wav.abandon();
    result.kind = WavResult::SourceChanged;
  } else if (!wav.close()) {
    result.kind = WavResult::WriteFailed;
    result.error = wav.error();
  }
  return result;
}
