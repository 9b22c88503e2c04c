// The conversion of the control's 24-bit frames (bytes blue, green, red) into the window's
// surface format, QImage::Format_RGB32 (0xFFRRGGBB), which the backing store shows with a plain
// copy.
#pragma once

#include <QtGui/QRgb>
#include <bit>
#include <cstdint>
#include <cstring>

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

// Converts Count pixels from From over To in one pass and returns the span of To that changed.
// On a little-endian machine four pixels are three 32-bit words, each pixel a shift and a mask
// of them; the four old pixels are compared at once (a mask of the differing ones), so the pass
// branches once per four pixels.
inline TChangedSpan ConvertBgrRow(const std::uint8_t* From, QRgb* To, int Count) {
    TChangedSpan Span;
    Span.First = Count;
    int I = 0;
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
                if (Span.First == Count) Span.First = I + std::countr_zero(Differ);
                Span.Last = I + 31 - std::countl_zero(Differ);
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
            if (Span.First == Count) Span.First = I;
            Span.Last = I;
            To[I] = P;
        }
    }
    if (Span.Last < 0) Span.First = 0;
    return Span;
}

}  // namespace vyr::qt::pixels
