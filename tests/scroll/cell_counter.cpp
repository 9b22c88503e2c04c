// The global operator new and delete of this test program: plain malloc and free, counting the
// blocks of a stream cell's size. Kept in a file of its own so that no caller sees the bodies.
#include <cstdlib>
#include <new>

#include "scroll/cell_counter.h"
#include "vyr/EditMatrix.h"

namespace vyr::test {

std::atomic<long long> CellBlocksAlive{0};
std::atomic<long long> CellBlocksUntilFailure{-1};

}  // namespace vyr::test

namespace {

void* Allocate(std::size_t Size) {
    using vyr::test::CellBlocksAlive;
    using vyr::test::CellBlocksUntilFailure;
    if (Size == sizeof(vyr::_Pixel)) {
        if (CellBlocksUntilFailure.load() == 0) throw std::bad_alloc();
        if (CellBlocksUntilFailure.load() > 0) --CellBlocksUntilFailure;
        ++CellBlocksAlive;
    }
    if (void* Block = std::malloc(Size == 0 ? 1 : Size)) return Block;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t Size) { return Allocate(Size); }
void* operator new[](std::size_t Size) { return Allocate(Size); }
void operator delete(void* Block) noexcept { std::free(Block); }
void operator delete[](void* Block) noexcept { std::free(Block); }
void operator delete(void* Block, std::size_t Size) noexcept {
    if (Block != nullptr && Size == sizeof(vyr::_Pixel)) --vyr::test::CellBlocksAlive;
    std::free(Block);
}
void operator delete[](void* Block, std::size_t) noexcept { std::free(Block); }
