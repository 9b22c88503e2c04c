// TSlabPool<T>: fixed-size blocks for one owner, carved from a few large slabs instead of one heap
// allocation each, and given back all at once.
//
// The column stream of a marquee is tens of cells a character and is always built and freed
// whole, so one heap block per cell costs a heap header per cell and a call into the allocator
// for every cell built and every cell freed. Here a block costs its own size, a build costs
// writing the blocks, and freeing the whole stream costs one pass over the slab list.
//
// - New() hands out one default-constructed block (a freed block first, else the next unused
//   one); NewRun(N) hands out N adjacent blocks, uninitialised, for the caller to construct.
// - Delete() takes one block back; Recycle() takes every block back and keeps the slabs for the
//   next build; Trim() frees the slabs that hold no block handed out; Release() takes every
//   block back and frees every slab.
// - Slabs grow from MinSlabBlocks to MaxSlabBlocks blocks, doubling.
// - Failure: a slab that cannot be allocated throws std::bad_alloc from New or NewRun; nothing
//   is handed out then and the pool stays consistent.
//
// Counting (tests, tools): BlocksInUse() is the number of blocks handed out and not yet taken
// back, over every pool of this block type in the process. FailAfter(N) is the fault-injection
// point: after N more blocks have been handed out, New and NewRun throw std::bad_alloc (a run
// that would cross the limit throws and hands out nothing); -1 (the default) switches it off.
//
// Not thread-safe: a pool belongs to one owner on one thread. Only the two process-wide figures
// are atomic.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>
#include <vector>

namespace vyr {

template <typename T>
class TSlabPool {
    static_assert(std::is_trivially_destructible_v<T>, "blocks are given back without running a destructor");
    static_assert(sizeof(T) >= sizeof(void*), "a free block holds the link to the next free block");

public:
    static constexpr std::size_t MinSlabBlocks = 512;
    static constexpr std::size_t MaxSlabBlocks = 32768;

    TSlabPool() = default;
    ~TSlabPool() { Release(); }
    TSlabPool(const TSlabPool&) = delete;
    TSlabPool& operator=(const TSlabPool&) = delete;

    // One block holding T{}.
    T* New() {
        Take(1);
        T* Block = nullptr;
        if (FFree != nullptr) {
            Block = FFree;
            std::memcpy(static_cast<void*>(&FFree), static_cast<const void*>(Block), sizeof(T*));
        } else {
            if (FNext == FEnd) Advance(1);
            Block = FNext++;
        }
        Count(1);
        return new (Block) T{};
    }

    // N adjacent blocks, 1 <= N <= MinSlabBlocks, not constructed: the caller placement-news
    // every one of them before use.
    T* NewRun(std::size_t N) {
        Take(N);
        if (static_cast<std::size_t>(FEnd - FNext) < N) Advance(N);
        T* Run = FNext;
        FNext += N;
        Count(N);
        return Run;
    }

    // Takes one block back (it may be handed out again by New).
    void Delete(T* Block) noexcept {
        if (Block == nullptr) return;
        std::memcpy(static_cast<void*>(Block), static_cast<const void*>(&FFree), sizeof(T*));
        FFree = Block;
        Count(-1);
    }

    // Takes every block back at once; the slabs stay allocated for the next blocks.
    void Recycle() noexcept {
        Count(-FAlive);
        FFree = nullptr;
        FCurrent = 0;
        FNext = FSlabs.empty() ? nullptr : FSlabs[0].Begin;
        FEnd = FSlabs.empty() ? nullptr : FSlabs[0].Begin + FSlabs[0].Blocks;
    }

    // Frees the slabs after the one blocks are being handed out from: none of them holds a block.
    void Trim() noexcept {
        const std::size_t Keep = FNext == nullptr ? 0 : FCurrent + 1;
        while (FSlabs.size() > Keep) {
            FreeSlab(FSlabs.back());
            FSlabs.pop_back();
        }
    }

    // Takes every block back and frees every slab.
    void Release() noexcept {
        Recycle();
        for (const TSlab& Slab : FSlabs) FreeSlab(Slab);
        FSlabs.clear();
        FNext = FEnd = nullptr;
        FCurrent = 0;
    }

    // Blocks of this pool handed out and not taken back.
    [[nodiscard]] long long Alive() const { return FAlive; }
    // Bytes of the slabs this pool holds.
    [[nodiscard]] std::size_t SlabBytes() const {
        std::size_t Bytes = 0;
        for (const TSlab& Slab : FSlabs) Bytes += Slab.Blocks * sizeof(T);
        return Bytes;
    }

    [[nodiscard]] static long long BlocksInUse() { return InUse.load(std::memory_order_relaxed); }
    static void FailAfter(long long Blocks) { FailureBudget.store(Blocks, std::memory_order_relaxed); }

private:
    struct TSlab {
        T* Begin;
        std::size_t Blocks;
    };

    // The fault-injection check: throws before anything is handed out.
    static void Take(std::size_t N) {
        const long long Budget = FailureBudget.load(std::memory_order_relaxed);
        if (Budget < 0) return;
        if (Budget < static_cast<long long>(N)) throw std::bad_alloc();
        FailureBudget.store(Budget - static_cast<long long>(N), std::memory_order_relaxed);
    }

    void Count(long long N) noexcept {
        FAlive += N;
        InUse.fetch_add(N, std::memory_order_relaxed);
    }

    // Moves to a slab with room for N adjacent blocks: the next slab kept by Recycle, or a new
    // one (every slab has room for any run). The unused end of the slab left behind goes to the
    // free list.
    void Advance([[maybe_unused]] std::size_t N) {
        std::size_t Next = FNext == nullptr ? 0 : FCurrent + 1;
        if (Next >= FSlabs.size()) {
            const std::size_t Blocks =
                FSlabs.empty() ? MinSlabBlocks : std::min(MaxSlabBlocks, 2 * FSlabs.back().Blocks);
            FSlabs.reserve(FSlabs.size() + 1);  // may throw; nothing allocated yet
            auto* Begin = static_cast<T*>(::operator new(Blocks * sizeof(T)));
            FSlabs.push_back(TSlab{Begin, Blocks});
            Next = FSlabs.size() - 1;
        }
        // The rest of the current slab joins the free list (no slab yet: FNext and FEnd are null).
        while (FNext != nullptr && FNext != FEnd) {
            T* Block = FNext++;
            std::memcpy(static_cast<void*>(Block), static_cast<const void*>(&FFree), sizeof(T*));
            FFree = Block;
        }
        FCurrent = Next;
        FNext = FSlabs[Next].Begin;
        FEnd = FNext + FSlabs[Next].Blocks;
    }

    static void FreeSlab(const TSlab& Slab) noexcept { ::operator delete(static_cast<void*>(Slab.Begin)); }

    std::vector<TSlab> FSlabs;
    std::size_t FCurrent = 0;  // the slab FNext points into
    T* FNext = nullptr;        // the next unused block of that slab
    T* FEnd = nullptr;
    T* FFree = nullptr;  // blocks taken back one by one, linked through their first bytes
    long long FAlive = 0;

    static inline std::atomic<long long> InUse{0};
    static inline std::atomic<long long> FailureBudget{-1};
};

}  // namespace vyr
