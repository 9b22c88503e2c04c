#include <algorithm>
#include <cassert>
#include <cstring>

#include "vyr/host/Graphics.h"

namespace vyr::host {

namespace {

int ClampExtent(int Value) { return std::clamp(Value, 0, MaxExtent); }

// The last stamp given to any bitmap.
std::atomic<std::uint64_t> LastStamp = 0;

}  // namespace

void TCanvas::FillRect(const TRect& Rect) {
    if (FTarget != nullptr) {
        FTarget->FillRect(Rect, Brush.Color);
    }
}

void TCanvas::Draw(int X, int Y, const TBitmap& Source) {
    if (FTarget != nullptr) {
        FTarget->Draw(X, Y, Source);
    }
}

TBitmap::TBitmap() : FCanvas(this) {}

TBitmap::~TBitmap() = default;

void TBitmap::SetWidth(int AWidth) { Reallocate(ClampExtent(AWidth), FHeight); }

void TBitmap::SetHeight(int AHeight) { Reallocate(FWidth, ClampExtent(AHeight)); }

void TBitmap::SetSize(int AWidth, int AHeight) { Reallocate(ClampExtent(AWidth), ClampExtent(AHeight)); }

void TBitmap::Reallocate(int AWidth, int AHeight) {
    if (AWidth == FWidth && AHeight == FHeight) {
        return;
    }
    const std::size_t NewStride = (static_cast<std::size_t>(AWidth) * 3 + 3) & ~std::size_t{3};
    std::vector<std::uint8_t> NewPixels(NewStride * static_cast<std::size_t>(AHeight), 0);
    const std::size_t KeepBytes = static_cast<std::size_t>(std::min(AWidth, FWidth)) * 3;
    // With no byte to keep (a side was 0) there is nothing to copy, and a buffer of no bytes
    // may have no address to copy from.
    const int KeepRows = KeepBytes == 0 ? 0 : std::min(AHeight, FHeight);
    for (int Row = 0; Row < KeepRows; ++Row) {
        std::memcpy(NewPixels.data() + NewStride * static_cast<std::size_t>(Row),
                    FPixels.data() + FStride * static_cast<std::size_t>(Row), KeepBytes);
    }
    FPixels.swap(NewPixels);
    FStamp.store(0, std::memory_order_relaxed);
    FWidth = AWidth;
    FHeight = AHeight;
    FStride = NewStride;
}

std::uint8_t* TBitmap::ScanLine(int Row) {
    assert(Row >= 0 && Row < FHeight);
    FStamp.store(0, std::memory_order_relaxed);  // the caller may write the row
    return FPixels.data() + FStride * static_cast<std::size_t>(Row);
}

const std::uint8_t* TBitmap::ScanLine(int Row) const {
    assert(Row >= 0 && Row < FHeight);
    return FPixels.data() + FStride * static_cast<std::size_t>(Row);
}

TColor TBitmap::Pixel(int X, int Y) const {
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) {
        return 0;
    }
    const std::uint8_t* P = ScanLine(Y) + 3 * static_cast<std::size_t>(X);
    return static_cast<TColor>(P[2]) | (static_cast<TColor>(P[1]) << 8) | (static_cast<TColor>(P[0]) << 16);
}

std::uint64_t TBitmap::Stamp() const {
    std::uint64_t Current = FStamp.load(std::memory_order_relaxed);
    if (Current != 0) return Current;
    const std::uint64_t Next = LastStamp.fetch_add(1, std::memory_order_relaxed) + 1;
    // Two readers at once agree on one of their numbers.
    return FStamp.compare_exchange_strong(Current, Next, std::memory_order_relaxed) ? Next : Current;
}

void TBitmap::NoteChange(std::uint64_t Since, const TRect& Rect) {
    FChangeSince = Since;
    // Kept inside the bitmap, so that a reader can copy it as it stands.
    FChangeRect = {.Left = std::clamp(Rect.Left, 0, FWidth),
                   .Top = std::clamp(Rect.Top, 0, FHeight),
                   .Right = std::clamp(Rect.Right, 0, FWidth),
                   .Bottom = std::clamp(Rect.Bottom, 0, FHeight)};
    FChangeUntil = Stamp();
}

std::optional<TRect> TBitmap::ChangeSince(std::uint64_t Since) const {
    if (Since == 0 || Since != FChangeSince || FChangeUntil != Stamp()) return std::nullopt;
    return FChangeRect;
}

void TBitmap::FillRect(const TRect& Rect, TColor Color) {
    const int Left = std::max(Rect.Left, 0);
    const int Top = std::max(Rect.Top, 0);
    const int Right = std::min(Rect.Right, FWidth);
    const int Bottom = std::min(Rect.Bottom, FHeight);
    if (Left >= Right || Top >= Bottom) {
        return;
    }
    const std::uint8_t B = static_cast<std::uint8_t>(Color >> 16);
    const std::uint8_t G = static_cast<std::uint8_t>(Color >> 8);
    const std::uint8_t R = static_cast<std::uint8_t>(Color);
    const std::size_t Bytes = 3 * static_cast<std::size_t>(Right - Left);
    if (B == G && G == R) {
        // Grey (black, white): a byte fill, one block when the rows have no padding between them.
        if (Left == 0 && Right == FWidth && FStride == Bytes) {
            std::memset(ScanLine(Top), B, Bytes * static_cast<std::size_t>(Bottom - Top));
        } else {
            for (int Y = Top; Y < Bottom; ++Y) std::memset(ScanLine(Y) + 3 * static_cast<std::size_t>(Left), B, Bytes);
        }
        return;
    }
    // Fill the first row pixel by pixel, then copy it to the others.
    std::uint8_t* First = ScanLine(Top) + 3 * static_cast<std::size_t>(Left);
    for (int X = Left; X < Right; ++X) {
        std::uint8_t* P = First + 3 * static_cast<std::size_t>(X - Left);
        P[0] = B;
        P[1] = G;
        P[2] = R;
    }
    for (int Y = Top + 1; Y < Bottom; ++Y) {
        std::memcpy(ScanLine(Y) + 3 * static_cast<std::size_t>(Left), First, Bytes);
    }
}

void TBitmap::Draw(int X, int Y, const TBitmap& Source) {
    if (&Source == this) {
        return;
    }
    const int Left = std::max(X, 0);
    const int Top = std::max(Y, 0);
    const int Right = std::min(X + Source.Width(), FWidth);
    const int Bottom = std::min(Y + Source.Height(), FHeight);
    if (Left >= Right || Top >= Bottom) {
        return;
    }
    const std::size_t Bytes = 3 * static_cast<std::size_t>(Right - Left);
    if (X == 0 && Y == 0 && Right == FWidth && Right == Source.Width() && FStride == Bytes && Source.FStride == Bytes) {
        // Whole rows without padding on both sides: one block.
        std::memcpy(ScanLine(Top), Source.ScanLine(Top), Bytes * static_cast<std::size_t>(Bottom - Top));
        return;
    }
    for (int Row = Top; Row < Bottom; ++Row) {
        std::memcpy(ScanLine(Row) + 3 * static_cast<std::size_t>(Left),
                    Source.ScanLine(Row - Y) + 3 * static_cast<std::size_t>(Left - X), Bytes);
    }
}

}  // namespace vyr::host
