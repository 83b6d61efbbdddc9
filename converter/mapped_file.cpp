#include "mapped_file.h"

ImageChange busErrorKind(uint64_t offset, int64_t size) {
  return size >= 0 && offset >= static_cast<uint64_t>(size) ? ImageChange::Shortened
                                                            : ImageChange::ReadError;
}
