// Counts the stream cells alive in this test program, and can make their allocation fail,
// through the process-wide figures of the cell pool (TSlabPool<_Pixel>): every cell of every
// control's stream comes from a pool of that block type.
#pragma once

#include "vyr/EditMatrix.h"

namespace vyr::test {

// Cells handed out by the pools and not yet given back.
inline long long CellBlocksAlive() { return TSlabPool<_Pixel>::BlocksInUse(); }
// After N more cells the next allocation throws std::bad_alloc; -1: no limit.
inline void FailCellAllocationsAfter(long long N) { TSlabPool<_Pixel>::FailAfter(N); }

}  // namespace vyr::test
