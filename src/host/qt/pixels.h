// The conversion of the control's 24-bit frames (bytes blue, green, red) into the window's
// surface format, QImage::Format_RGB32 (0xFFRRGGBB), which the backing store shows with a plain
// copy.
#pragma once

#include <QtGui/QRgb>
#include <bit>
#include <cstdint>
#include <cstring>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VYR_PIXELS_X86 1
#endif

namespace vyr::qt::pixels {

// One pixel: the three bytes at From.
[[nodiscard]] inline QRgb FromBgr(const std::uint8_t* From) {
    return 0xFF000000U | (static_cast<QRgb>(From[2]) << 16) | (static_cast<QRgb>(From[1]) << 8) |
           static_cast<QRgb>(From[0]);
}

// The span of a row conversion that changed pixels: First..Last, or First > Last for none.
struct TChangedSpan {
    int First = 0;
    int Last = -1;
};

// The ways a row can be converted: the plain loop runs anywhere; the vector ones where the
// processor has the instructions (Supported).
enum class TRowKernel { Plain, Ssse3, Avx2 };

// The span being found during one row. The kernels take it and give it back by value: held by
// reference it could alias the surface's words, and the compiler would keep it in memory.
struct TSpanTracker {
    int Count;
    int First;
    int Last = -1;
    explicit TSpanTracker(int RowCount) : Count(RowCount), First(RowCount) {}
    // Pixels I.. of the row, whose bits in Differ (bit 0: pixel I; not 0) changed. The groups
    // come in order, so the first is set once and the last every time.
    void Note(int I, unsigned Differ) {
        if (First == Count) First = I + std::countr_zero(Differ);
        Last = I + 31 - std::countl_zero(Differ);
    }
    [[nodiscard]] TChangedSpan Span() const { return Last < 0 ? TChangedSpan{} : TChangedSpan{First, Last}; }
};

// Pixels I..Count-1 of the row, with I a multiple of four or the row's end. On a little-endian
// machine four pixels are three 32-bit words, each pixel a shift and a mask of them; the four
// old pixels are compared at once (a mask of the differing ones). Without Compare the old pixels
// are not read: every pixel is written, and the span is left as it came.
template <bool Compare>
inline TSpanTracker ConvertBgrTail(const std::uint8_t* From, QRgb* To, int Count, int I, TSpanTracker Span) {
    From += 3 * static_cast<std::size_t>(I);
    if constexpr (std::endian::native == std::endian::little) {
        for (; I + 4 <= Count; I += 4, From += 12) {
            std::uint32_t W[3];
            std::memcpy(W, From, sizeof W);
            const QRgb P0 = 0xFF000000U | (W[0] & 0xFFFFFFU);
            const QRgb P1 = 0xFF000000U | (W[0] >> 24) | ((W[1] & 0xFFFFU) << 8);
            const QRgb P2 = 0xFF000000U | (W[1] >> 16) | ((W[2] & 0xFFU) << 16);
            const QRgb P3 = 0xFF000000U | (W[2] >> 8);
            if constexpr (!Compare) {
                To[I] = P0;
                To[I + 1] = P1;
                To[I + 2] = P2;
                To[I + 3] = P3;
                continue;
            }
            const unsigned Differ = static_cast<unsigned>(To[I] != P0) | static_cast<unsigned>(To[I + 1] != P1) << 1U |
                                    static_cast<unsigned>(To[I + 2] != P2) << 2U |
                                    static_cast<unsigned>(To[I + 3] != P3) << 3U;
            if (Differ != 0) {
                Span.Note(I, Differ);
                To[I] = P0;
                To[I + 1] = P1;
                To[I + 2] = P2;
                To[I + 3] = P3;
            }
        }
    }
    for (; I < Count; ++I, From += 3) {
        const QRgb P = FromBgr(From);
        if (!Compare) {
            To[I] = P;
        } else if (To[I] != P) {
            Span.Note(I, 1U);
            To[I] = P;
        }
    }
    return Span;
}

#ifdef VYR_PIXELS_X86
// Pixels I..Count-1 with SSSE3: one shuffle spreads four pixels' twelve bytes over four words. A
// load takes sixteen bytes, so the last pixels (fewer than six left) go through the plain loop,
// and no load reaches past the row. A group that did not change is not stored.
template <bool Compare>
__attribute__((target("ssse3"))) inline TSpanTracker ConvertBgrRowSsse3(const std::uint8_t* From, QRgb* To, int Count,
                                                                        int I, TSpanTracker Span) {
    const __m128i Spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i Opaque = _mm_set1_epi32(static_cast<int>(0xFF000000U));
    for (; Count - I >= 6; I += 4) {
        const __m128i Bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(From + 3 * static_cast<std::size_t>(I)));
        const __m128i New = _mm_or_si128(_mm_shuffle_epi8(Bytes, Spread), Opaque);
        __m128i* Old = reinterpret_cast<__m128i*>(To + I);
        if constexpr (!Compare) {
            _mm_storeu_si128(Old, New);
            continue;
        }
        const auto Same =
            static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(_mm_loadu_si128(Old), New))));
        if (Same != 0xFU) {
            Span.Note(I, ~Same & 0xFU);
            _mm_storeu_si128(Old, New);
        }
    }
    return ConvertBgrTail<Compare>(From, To, Count, I, Span);
}

// With AVX2: eight pixels a step, four in each half of the register. The second half's load
// starts at the fifth pixel and takes sixteen bytes, so at least ten pixels must be left; the
// rest go four at a time.
template <bool Compare>
__attribute__((target("avx2"))) inline TSpanTracker ConvertBgrRowAvx2(const std::uint8_t* From, QRgb* To, int Count,
                                                                      TSpanTracker Span) {
    const __m256i Spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0, 1, 2, -1, 3, 4, 5,
                                            -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i Opaque = _mm256_set1_epi32(static_cast<int>(0xFF000000U));
    int I = 0;
    for (; Count - I >= 10; I += 8) {
        const std::uint8_t* Here = From + 3 * static_cast<std::size_t>(I);
        const __m256i Bytes =
            _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Here))),
                                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(Here + 12)), 1);
        const __m256i New = _mm256_or_si256(_mm256_shuffle_epi8(Bytes, Spread), Opaque);
        __m256i* Old = reinterpret_cast<__m256i*>(To + I);
        if constexpr (!Compare) {
            _mm256_storeu_si256(Old, New);
            continue;
        }
        const auto Same = static_cast<unsigned>(
            _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(_mm256_loadu_si256(Old), New))));
        if (Same != 0xFFU) {
            Span.Note(I, ~Same & 0xFFU);
            _mm256_storeu_si256(Old, New);
        }
    }
    return ConvertBgrRowSsse3<Compare>(From, To, Count, I, Span);
}
#endif

// Whether this processor can run Kernel.
[[nodiscard]] inline bool Supported(TRowKernel Kernel) {
    switch (Kernel) {
        case TRowKernel::Plain:
            return true;
#ifdef VYR_PIXELS_X86
        case TRowKernel::Ssse3:
            return __builtin_cpu_supports("ssse3") != 0;
        case TRowKernel::Avx2:
            return __builtin_cpu_supports("avx2") != 0;
#else
        case TRowKernel::Ssse3:
        case TRowKernel::Avx2:
            return false;
#endif
    }
    return false;
}

// Converts Count pixels from From over To with Kernel (one Supported here). With Compare the
// span of To that changed is returned; without, To is only written (nothing of it is read, which
// is faster where it is out of the cache) and the span returned is the whole row.
template <bool Compare = true>
inline TChangedSpan ConvertBgrRowWith(TRowKernel Kernel, const std::uint8_t* From, QRgb* To, int Count) {
    TSpanTracker Start(Count);
    if (!Compare && Count > 0) {  // the kernels leave it so
        Start.Note(0, 1U);
        Start.Note(Count - 1, 1U);
    }
    switch (Kernel) {
#ifdef VYR_PIXELS_X86
        case TRowKernel::Avx2:
            return ConvertBgrRowAvx2<Compare>(From, To, Count, Start).Span();
        case TRowKernel::Ssse3:
            return ConvertBgrRowSsse3<Compare>(From, To, Count, 0, Start).Span();
#endif
        default:
            return ConvertBgrTail<Compare>(From, To, Count, 0, Start).Span();
    }
}

// The fastest kernel this processor runs.
[[nodiscard]] inline TRowKernel BestKernel() {
    static const TRowKernel Best = Supported(TRowKernel::Avx2)    ? TRowKernel::Avx2
                                   : Supported(TRowKernel::Ssse3) ? TRowKernel::Ssse3
                                                                  : TRowKernel::Plain;
    return Best;
}

// Converts Count pixels from From over To in one pass and returns the span of To that changed.
inline TChangedSpan ConvertBgrRow(const std::uint8_t* From, QRgb* To, int Count) {
    return ConvertBgrRowWith(BestKernel(), From, To, Count);
}

}  // namespace vyr::qt::pixels
