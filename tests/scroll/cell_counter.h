// Counts the blocks of a stream cell's size alive in this test program, and can make their
// allocation fail (the program replaces the global operator new and delete; cell_counter.cpp).
#pragma once

#include <atomic>

namespace vyr::test {

// Blocks of sizeof(_Pixel) allocated and not yet released.
extern std::atomic<long long> CellBlocksAlive;
// How many more such blocks may be allocated before std::bad_alloc; -1: no limit.
extern std::atomic<long long> CellBlocksUntilFailure;

}  // namespace vyr::test
