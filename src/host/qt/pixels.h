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
#define VYR_PIXELS_SSSE3 1
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

// Notes pixels I..I+3 of a row, whose bits in Differ (bit 0: pixel I) changed, in Span.
inline void NoteChanged(TChangedSpan& Span, int Count, int I, unsigned Differ) {
    if (Span.First == Count) Span.First = I + std::countr_zero(Differ);
    Span.Last = I + 31 - std::countl_zero(Differ);
}

// Pixels I..Count-1 of the row, with I a multiple of four or the row's end. On a little-endian
// machine four pixels are three 32-bit words, each pixel a shift and a mask of them; the four
// old pixels are compared at once (a mask of the differing ones).
inline void ConvertBgrTail(const std::uint8_t* From, QRgb* To, int Count, int I, TChangedSpan& Span) {
    From += 3 * static_cast<std::size_t>(I);
    if constexpr (std::endian::native == std::endian::little) {
        for (; I + 4 <= Count; I += 4, From += 12) {
            std::uint32_t W[3];
            std::memcpy(W, From, sizeof W);
            const QRgb P0 = 0xFF000000U | (W[0] & 0xFFFFFFU);
            const QRgb P1 = 0xFF000000U | (W[0] >> 24) | ((W[1] & 0xFFFFU) << 8);
            const QRgb P2 = 0xFF000000U | (W[1] >> 16) | ((W[2] & 0xFFU) << 16);
            const QRgb P3 = 0xFF000000U | (W[2] >> 8);
            const unsigned Differ = static_cast<unsigned>(To[I] != P0) | static_cast<unsigned>(To[I + 1] != P1) << 1U |
                                    static_cast<unsigned>(To[I + 2] != P2) << 2U |
                                    static_cast<unsigned>(To[I + 3] != P3) << 3U;
            if (Differ != 0) {
                NoteChanged(Span, Count, I, Differ);
                To[I] = P0;
                To[I + 1] = P1;
                To[I + 2] = P2;
                To[I + 3] = P3;
            }
        }
    }
    for (; I < Count; ++I, From += 3) {
        const QRgb P = FromBgr(From);
        if (To[I] != P) {
            NoteChanged(Span, Count, I, 1U);
            To[I] = P;
        }
    }
}

#ifdef VYR_PIXELS_SSSE3
// The same with SSSE3: one shuffle spreads four pixels' twelve bytes over four words. A load
// takes sixteen bytes, so the last pixels (fewer than six left) go through the plain loop, and
// no load reaches past the row.
__attribute__((target("ssse3"))) inline void ConvertBgrRowSsse3(const std::uint8_t* From, QRgb* To, int Count,
                                                                TChangedSpan& Span) {
    const __m128i Spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i Opaque = _mm_set1_epi32(static_cast<int>(0xFF000000U));
    int I = 0;
    for (; Count - I >= 6; I += 4) {
        const __m128i Bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(From + 3 * static_cast<std::size_t>(I)));
        const __m128i New = _mm_or_si128(_mm_shuffle_epi8(Bytes, Spread), Opaque);
        __m128i* Old = reinterpret_cast<__m128i*>(To + I);
        const auto Same =
            static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(_mm_loadu_si128(Old), New))));
        if (Same != 0xFU) {
            NoteChanged(Span, Count, I, ~Same & 0xFU);
            _mm_storeu_si128(Old, New);
        }
    }
    ConvertBgrTail(From, To, Count, I, Span);
}
#endif

// Converts Count pixels from From over To in one pass and returns the span of To that changed.
inline TChangedSpan ConvertBgrRow(const std::uint8_t* From, QRgb* To, int Count) {
    TChangedSpan Span;
    Span.First = Count;
#ifdef VYR_PIXELS_SSSE3
    static const bool Ssse3 = __builtin_cpu_supports("ssse3") != 0;
    if (Ssse3) {
        ConvertBgrRowSsse3(From, To, Count, Span);
    } else {
        ConvertBgrTail(From, To, Count, 0, Span);
    }
#else
    ConvertBgrTail(From, To, Count, 0, Span);
#endif
    if (Span.Last < 0) Span.First = 0;
    return Span;
}

}  // namespace vyr::qt::pixels
