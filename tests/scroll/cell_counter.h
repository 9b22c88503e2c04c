// Counts the stream cells alive in this test program through the process-wide figure of the cell
// pool (TSlabPool<_Pixel>): every cell of every control's stream comes from a pool of that block
// type. Makes a pool's allocations fail through the pool's probe, which only tests define.
#pragma once

#include "vyr/EditMatrix.h"

namespace vyr::detail {

template <typename T>
struct TSlabPoolProbe {
    // After N more blocks of this pool the next allocation throws std::bad_alloc; -1: no limit.
    static void FailAfter(const TSlabPool<T>& ConstPool, long long N) {
        auto& Pool = const_cast<TSlabPool<T>&>(ConstPool);
        if (N < 0) {
            Pool.FLimit = -1;
            if (Pool.FNext != nullptr) Pool.FEnd = Pool.FSlabs[Pool.FCurrent].Begin + Pool.FSlabs[Pool.FCurrent].Blocks;
        } else {
            Pool.FLimit = Pool.HandedOut() + N;
            Pool.Fence();
        }
    }
};

}  // namespace vyr::detail

namespace vyr::test {

// Cells handed out by the pools and not yet given back.
inline long long CellBlocksAlive() { return TSlabPool<_Pixel>::BlocksInUse(); }
// After N more cells of the matrix's stream the next allocation throws std::bad_alloc; -1: no
// limit.
inline void FailCellAllocationsAfter(const TEditMatrix& Matrix, long long N) {
    detail::TSlabPoolProbe<_Pixel>::FailAfter(Matrix.PixelPool(), N);
}

}  // namespace vyr::test
