/// @file
/// TSlabPool<T>: fixed-size blocks for one owner, carved from a few large slabs instead of one heap
/// allocation each, named by 32-bit indices, and given back all at once.
///
/// The column stream of a marquee is tens of cells a character and is always built and freed
/// whole, so one heap block per cell costs a heap header per cell and a call into the allocator
/// for every cell built and every cell freed. Here a block costs its own size, a build costs
/// writing the blocks, and freeing the whole stream costs one pass over the slab list. Blocks
/// link to each other by index (TSlabIndex) rather than by pointer, which halves the size of a
/// block made mostly of links.
///
/// - Indices: 0 names no block; At() turns an index into the block's address, IndexOf() an
///   address of a block of this pool back into its index. An index stays valid until its block
///   is taken back.
/// - New() hands out one default-constructed block (a freed block first, else the next unused
///   one); NewRun(N) hands out N adjacent blocks, uninitialised, for the caller to construct: the
///   blocks of a run also have adjacent indices. The ...Index variants answer with the index.
/// - Delete() takes one block back; Recycle() takes every block back and keeps the slabs for the
///   next build; Trim() frees the slabs that hold no block handed out; Release() takes every
///   block back and frees every slab.
/// - Slabs grow from MinSlabBlocks to MaxSlabBlocks blocks, doubling, up to MaxSlabs slabs.
/// - Failure: a slab that cannot be allocated, or one slab too many, throws std::bad_alloc from
///   New or NewRun; nothing is handed out then and the pool stays consistent.
///
/// Counting: Alive() is the number of blocks of this pool handed out and not yet taken back,
/// BlocksInUse() the same over every pool of this block type in the process.
///
/// Not thread-safe: a pool belongs to one owner on one thread. Only the process-wide figure is
/// atomic.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace vyr {

/// A block of a slab pool by number; 0 names no block.
using TSlabIndex = std::uint32_t;

namespace detail {
/// Reaches a pool's insides for the project's own checks; not part of the pool's interface.
template <typename T>
struct TSlabPoolProbe;
}  // namespace detail

/// Fixed-size blocks of T carved from a few large slabs and named by 32-bit indices (see the file's
/// description). T must be trivially destructible and at least as large as TSlabIndex. Not
/// copyable; one owner, one thread.
template <typename T>
class TSlabPool {
    static_assert(std::is_trivially_destructible_v<T>, "blocks are given back without running a destructor");
    static_assert(sizeof(T) >= sizeof(TSlabIndex), "a free block holds the index of the next free block");

    /// An index is 1 + (slab number << OffsetBits | offset in the slab).
    static constexpr unsigned OffsetBits = 15;

public:
    static constexpr std::size_t MinSlabBlocks = 512;  ///< blocks in the first slab
    static constexpr std::size_t MaxSlabBlocks = std::size_t{1}
                                                 << OffsetBits;  ///< blocks in a slab at most (slabs double up to it)
    /// The largest slab number keeps 1 + its last index within 32 bits.
    static constexpr std::size_t MaxSlabs = (std::size_t{0xFFFFFFFF} >> OffsetBits);

    TSlabPool() = default;
    ~TSlabPool() { Release(); }
    TSlabPool(const TSlabPool&) = delete;
    TSlabPool& operator=(const TSlabPool&) = delete;

    /// The block an index names; null for 0.
    [[nodiscard]] T* At(TSlabIndex Index) const noexcept {
        if (Index == 0) return nullptr;
        --Index;
        return FSlabs[Index >> OffsetBits].Begin + (Index & (MaxSlabBlocks - 1));
    }

    /// The index of a block of this pool; 0 for null.
    [[nodiscard]] TSlabIndex IndexOf(const T* Block) const noexcept {
        if (Block == nullptr) return 0;
        std::size_t Slab = FCurrent;
        if (!Holds(Slab, Block)) {
            /// The slabs by address: the last one that starts at or before the block.
            const auto It = std::upper_bound(FByAddress.begin(), FByAddress.end(), Block,
                                             [](const T* B, const std::pair<const T*, std::size_t>& E) {
                                                 return std::less<const T*>()(B, E.first);
                                             });
            if (It == FByAddress.begin()) return 0;  ///< not a block of this pool
            Slab = std::prev(It)->second;
            if (!Holds(Slab, Block)) return 0;
        }
        return IndexIn(Slab, static_cast<std::size_t>(Block - FSlabs[Slab].Begin));
    }

    /// Whether Index names Block and the N indices from Index on name the N blocks from Block on
    /// (blocks of one slab: Block[0] to Block[N - 1] may be read).
    [[nodiscard]] bool IsRun(TSlabIndex Index, const T* Block, std::size_t N) const noexcept {
        if (Index == 0) return false;
        --Index;
        const std::size_t Slab = Index >> OffsetBits;
        const std::size_t Offset = Index & (MaxSlabBlocks - 1);
        return Slab < FSlabs.size() && Offset + N <= FSlabs[Slab].Blocks && FSlabs[Slab].Begin + Offset == Block;
    }

    /** @{ */
    /// One block holding T{}.
    T* New() { return At(NewIndex()); }
    TSlabIndex NewIndex() {
        TSlabIndex Index = FFree;
        if (Index != 0) {
            std::memcpy(&FFree, static_cast<const void*>(At(Index)), sizeof(TSlabIndex));
        } else {
            if (FNext == FEnd) Advance(1);
            Index = IndexIn(FCurrent, static_cast<std::size_t>(FNext - FSlabs[FCurrent].Begin));
            ++FNext;
        }
        Count(1);
        new (At(Index)) T{};
        return Index;
    }
    /** @} */

    /** @{ */
    /// N adjacent blocks, 1 <= N <= MinSlabBlocks, not constructed: the caller placement-news
    /// every one of them before use.
    T* NewRun(std::size_t N) { return At(NewRunIndex(N)); }
    TSlabIndex NewRunIndex(std::size_t N) {
        if (static_cast<std::size_t>(FEnd - FNext) < N) Advance(N);
        const TSlabIndex Index = IndexIn(FCurrent, static_cast<std::size_t>(FNext - FSlabs[FCurrent].Begin));
        FNext += N;
        Count(static_cast<long long>(N));
        return Index;
    }
    /** @} */

    /** @{ */
    /// Takes one block back (it may be handed out again by New).
    void Delete(T* Block) noexcept { DeleteIndex(IndexOf(Block)); }
    void DeleteIndex(TSlabIndex Index) noexcept {
        if (Index == 0) return;
        std::memcpy(static_cast<void*>(At(Index)), &FFree, sizeof(TSlabIndex));
        FFree = Index;
        Count(-1);
        ++FTakenBack;
    }
    /** @} */

    /// Takes every block back at once; the slabs stay allocated for the next blocks.
    void Recycle() noexcept {
        FTakenBack += FAlive;
        Count(-FAlive);
        FFree = 0;
        FCurrent = 0;
        FNext = FSlabs.empty() ? nullptr : FSlabs[0].Begin;
        FEnd = FSlabs.empty() ? nullptr : FSlabs[0].Begin + FSlabs[0].Blocks;
        Fence();
    }

    /// Frees the slabs after the one blocks are being handed out from: none of them holds a block.
    void Trim() noexcept {
        const std::size_t Keep = FNext == nullptr ? 0 : FCurrent + 1;
        while (FSlabs.size() > Keep) {
            const T* Begin = FSlabs.back().Begin;
            FByAddress.erase(std::find_if(FByAddress.begin(), FByAddress.end(),
                                          [Begin](const auto& E) { return E.first == Begin; }));
            FreeSlab(FSlabs.back());
            FSlabs.pop_back();
        }
    }

    /// Takes every block back and frees every slab.
    void Release() noexcept {
        Recycle();
        for (const TSlab& Slab : FSlabs) FreeSlab(Slab);
        FSlabs.clear();
        FByAddress.clear();
        FNext = FEnd = nullptr;
        FCurrent = 0;
    }

    /// Blocks of this pool handed out and not taken back.
    [[nodiscard]] long long Alive() const { return FAlive; }
    /// Bytes of the slabs this pool holds.
    [[nodiscard]] std::size_t SlabBytes() const {
        std::size_t Bytes = 0;
        for (const TSlab& Slab : FSlabs) Bytes += Slab.Blocks * sizeof(T);
        return Bytes;
    }

    /// Blocks handed out and not yet taken back, over every pool of this block type in the process
    /// (any thread).
    [[nodiscard]] static long long BlocksInUse() { return InUse.load(std::memory_order_relaxed); }

private:
    friend struct detail::TSlabPoolProbe<T>;

    struct TSlab {
        T* Begin;
        std::size_t Blocks;
    };

    [[nodiscard]] static TSlabIndex IndexIn(std::size_t Slab, std::size_t Offset) noexcept {
        return static_cast<TSlabIndex>(((Slab << OffsetBits) | Offset) + 1);
    }

    [[nodiscard]] bool Holds(std::size_t Slab, const T* Block) const noexcept {
        if (Slab >= FSlabs.size()) return false;
        const std::less_equal<const T*> NotAfter;
        return NotAfter(FSlabs[Slab].Begin, Block) &&
               std::less<const T*>()(Block, FSlabs[Slab].Begin + FSlabs[Slab].Blocks);
    }

    void Count(long long N) noexcept {
        FAlive += N;
        InUse.fetch_add(N, std::memory_order_relaxed);
    }

    // Moves to a slab with room for N adjacent blocks: the next slab kept by Recycle, or a new
    // one (every slab has room for any run). The unused end of the slab left behind goes to the
    // free list.
    void Advance(std::size_t N) {
        if (FLimit >= 0 && HandedOut() + static_cast<long long>(N) > FLimit) throw std::bad_alloc();
        std::size_t Next = FNext == nullptr ? 0 : FCurrent + 1;
        if (Next >= FSlabs.size()) {
            if (FSlabs.size() >= MaxSlabs) throw std::bad_alloc();
            const std::size_t Blocks =
                FSlabs.empty() ? MinSlabBlocks : std::min(MaxSlabBlocks, 2 * FSlabs.back().Blocks);
            FSlabs.reserve(FSlabs.size() + 1);  // may throw; nothing allocated yet
            FByAddress.reserve(FByAddress.size() + 1);
            auto* Begin = static_cast<T*>(::operator new(Blocks * sizeof(T)));
            FSlabs.push_back(TSlab{Begin, Blocks});
            const std::pair<const T*, std::size_t> Entry{Begin, FSlabs.size() - 1};
            FByAddress.insert(
                std::upper_bound(FByAddress.begin(), FByAddress.end(), Entry,
                                 [](const auto& A, const auto& B) { return std::less<const T*>()(A.first, B.first); }),
                Entry);
            Next = FSlabs.size() - 1;
        }
        // The rest of the current slab joins the free list (no slab yet: FNext and FEnd are null).
        if (FNext != nullptr) {
            const T* const SlabEnd = FSlabs[FCurrent].Begin + FSlabs[FCurrent].Blocks;
            while (FNext != SlabEnd) {
                T* Block = FNext++;
                std::memcpy(static_cast<void*>(Block), &FFree, sizeof(TSlabIndex));
                FFree = IndexIn(FCurrent, static_cast<std::size_t>(Block - FSlabs[FCurrent].Begin));
            }
        }
        FCurrent = Next;
        FNext = FSlabs[Next].Begin;
        FEnd = FNext + FSlabs[Next].Blocks;
        Fence();
    }

    // Blocks handed out over the pool's life (those taken back are counted where they are).
    [[nodiscard]] long long HandedOut() const noexcept { return FAlive + FTakenBack; }

    // Under a limit (FLimit >= 0: the most blocks handed out over the pool's life), the slab
    // being carved ends where the limit is reached, so that the next block goes through Advance,
    // which refuses it. Only the slow paths look at the limit; handing out a block costs nothing
    // more for it. Blocks taken back one by one are handed out again without it.
    void Fence() noexcept {
        if (FLimit < 0 || FNext == nullptr) return;
        const long long Room = std::max(0LL, FLimit - HandedOut());
        if (FEnd - FNext > Room) FEnd = FNext + Room;
    }

    static void FreeSlab(const TSlab& Slab) noexcept { ::operator delete(static_cast<void*>(Slab.Begin)); }

    std::vector<TSlab> FSlabs;                                 // by slab number
    std::vector<std::pair<const T*, std::size_t>> FByAddress;  // slab starts, ascending
    std::size_t FCurrent = 0;                                  // the slab FNext points into
    T* FNext = nullptr;                                        // the next unused block of that slab
    T* FEnd = nullptr;                                         // where carving stops in that slab
    TSlabIndex FFree = 0;  // blocks taken back one by one, linked through their first bytes
    long long FAlive = 0;
    long long FTakenBack = 0;
    long long FLimit = -1;  // set only through the probe

    static inline std::atomic<long long> InUse{0};
};

}  // namespace vyr
