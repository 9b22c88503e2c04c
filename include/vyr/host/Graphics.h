/// @file
/// Off-screen bitmaps and canvases.
///
/// TBitmap holds 24-bit pixels: rows from the top, each row padded to a multiple of 4 bytes,
/// pixel x of a row at bytes 3x (blue), 3x+1 (green), 3x+2 (red). Pixel (0,0) is the top-left
/// corner. A canvas draws onto a target: a bitmap's pixels, or a control's window surface.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "vyr/host/Types.h"

namespace vyr::host {

class TBitmap;

/// The largest width or height, in pixels, of a bitmap or a control. Larger requests are clamped
/// to it (a window system cannot show more, and a 24-bit buffer of this size on both sides is
/// already 200 MB). Negative requests become 0.
inline constexpr int MaxExtent = 8192;

/// The pixel format of a TBitmap: 24 bits a pixel is the only one.
enum class TPixelFormat { pf24bit };

/// What a canvas draws onto. A backend's window surface implements this too.
class TCanvasTarget {
public:
    virtual ~TCanvasTarget() = default;
    /// Fills Rect (clipped to the target) with Color's three low bytes.
    virtual void FillRect(const TRect& Rect, TColor Color) = 0;
    /// Copies Source with its top-left pixel at (X, Y), clipped to the target.
    virtual void Draw(int X, int Y, const TBitmap& Source) = 0;
};

/// A frame a window surface took: the stamp of the bitmap copied (TBitmap::Stamp), where it went,
/// and a key naming the surface's pixels right after (its own stamp, or a toolkit's cache key). A
/// peer keeps the last one: the same frame again, onto a surface whose key is still that one,
/// would change nothing.
struct TFrameCopy {
    std::uint64_t Stamp = 0;       ///< the copied bitmap's stamp; 0: no frame yet
    int X = 0;                     ///< where its top-left pixel went on the surface
    int Y = 0;                     ///< where its top-left pixel went on the surface
    std::uint64_t SurfaceKey = 0;  ///< names the surface's pixels right after the copy
    /// Equal in every member: the same frame, in the same place, onto the same surface pixels.
    bool operator==(const TFrameCopy&) const = default;
};

/// The fill colour of a canvas.
struct TBrush {
    TColor Color = 0xFFFFFF;  ///< clWhite, as the host's brushes start
};

/// Draws onto a target (a bitmap or a window surface): fills with its brush colour and copies
/// bitmaps. Does nothing without a target.
class TCanvas {
public:
    /// Target may be null: then every operation does nothing (a control without a window).
    explicit TCanvas(TCanvasTarget* Target = nullptr) : FTarget(Target) {}
    /// Draws onto Target from now on (null: nowhere). The canvas does not own it.
    void SetTarget(TCanvasTarget* Target) { FTarget = Target; }
    /// What the canvas draws onto, or null.
    [[nodiscard]] TCanvasTarget* Target() const { return FTarget; }

    TBrush Brush;  ///< the colour FillRect fills with; white at first

    /// Fills Rect with Brush.Color.
    void FillRect(const TRect& Rect);
    /// Copies the whole of Source with its top-left pixel at (X, Y).
    void Draw(int X, int Y, const TBitmap& Source);

private:
    TCanvasTarget* FTarget;
};

/// An off-screen picture of 24-bit pixels (layout: see the file's description), 0 x 0 at first. Not
/// copyable; draw on it through Canvas() or write its rows through ScanLine.
class TBitmap : private TCanvasTarget {
public:
    TBitmap();
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    /// Width in pixels, 0..MaxExtent.
    [[nodiscard]] int Width() const { return FWidth; }
    /// Height in pixels, 0..MaxExtent.
    [[nodiscard]] int Height() const { return FHeight; }
    /** @{ */
    /// Sizes are clamped to 0..MaxExtent. Pixels that remain inside the new size keep their
    /// values; new pixels are black.
    void SetWidth(int AWidth);
    void SetHeight(int AHeight);
    void SetSize(int AWidth, int AHeight);
    /** @} */
    /** @{ */
    /// The pixel format: always pf24bit; setting it changes nothing.
    void SetPixelFormat(TPixelFormat) {}
    [[nodiscard]] TPixelFormat PixelFormat() const { return TPixelFormat::pf24bit; }
    /** @} */

    /// Bytes per row: 3 x Width rounded up to a multiple of 4.
    [[nodiscard]] std::size_t RowStride() const { return FStride; }
    /** @{ */
    /// The first byte of row Row (0 = top). Row must lie in 0..Height-1.
    [[nodiscard]] std::uint8_t* ScanLine(int Row);
    [[nodiscard]] const std::uint8_t* ScanLine(int Row) const;
    /** @} */

    /// The colour at (X, Y) as a TColor (red in the low byte); 0 outside the bitmap.
    [[nodiscard]] TColor Pixel(int X, int Y) const;

    /// A number naming the bitmap's present pixels: it stays the same while nothing can have
    /// written them, and every way of writing them (a non-const ScanLine, the canvas, a new size)
    /// makes the next call return a number no bitmap of the process was ever given. Two equal
    /// stamps are one bitmap with the same pixels, so a copy of an unchanged bitmap can be
    /// skipped. Never 0.
    [[nodiscard]] std::uint64_t Stamp() const;

    /// A writer's note of what its write changed: the pixels now differ from the pixels this
    /// bitmap had at stamp Since (one it was given before the write) only inside Rect, which may
    /// be empty (it is clipped to the bitmap). Kept until the next write.
    void NoteChange(std::uint64_t Since, const TRect& Rect);
    /// The rectangle noted for the change from stamp Since to the present pixels, or nothing when
    /// no note covers that change (then any pixel may differ). A reader that holds the pixels of
    /// stamp Since brings them up to date by copying just that rectangle.
    [[nodiscard]] std::optional<TRect> ChangeSince(std::uint64_t Since) const;

    /// The canvas that draws onto this bitmap.
    [[nodiscard]] TCanvas& Canvas() { return FCanvas; }

private:
    void FillRect(const TRect& Rect, TColor Color) override;
    void Draw(int X, int Y, const TBitmap& Source) override;
    void Reallocate(int AWidth, int AHeight);

    int FWidth = 0;
    int FHeight = 0;
    std::size_t FStride = 0;
    std::vector<std::uint8_t> FPixels;
    TCanvas FCanvas;
    // 0: written since the last stamp was taken; Stamp() gives it the next one.
    mutable std::atomic<std::uint64_t> FStamp = 0;
    // The last NoteChange: from stamp FChangeSince to stamp FChangeUntil, only FChangeRect.
    std::uint64_t FChangeSince = 0;
    std::uint64_t FChangeUntil = 0;
    TRect FChangeRect{};
};

}  // namespace vyr::host
