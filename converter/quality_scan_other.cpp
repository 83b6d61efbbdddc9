// Processors without vector instructions known to this program: the block
// pair by pair.
#include "quality_scan.h"

void quality::scanBlock(const int16_t* y, int64_t pairs, BlockScan& s) {
  scanPairs(y, 0, pairs, s);
}
