/// @file
/// Off-screen bitmaps and canvases.
///
/// TBitmap holds 24-bit pixels: rows from the top, each row padded to a multiple of 4 bytes,
/// pixel x of a row at bytes 3x (blue), 3x+1 (green), 3x+2 (red). Pixel (0,0) is the top-left
/// corner. A canvas draws onto a target: a bitmap's pixels, or a control's window surface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vyr/host/Types.h"

namespace vyr::host {

class TBitmap;

/// The largest width or height, in pixels, of a bitmap or a control. Larger requests are clamped
/// to it (a window system cannot show more, and a 24-bit buffer of this size on both sides is
/// already 200 MB). Negative requests become 0.
inline constexpr int MaxExtent = 8192;

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

struct TBrush {
    TColor Color = 0xFFFFFF;  ///< clWhite, as the host's brushes start
};

class TCanvas {
public:
    /// @{
    /// Target may be null: then every operation does nothing (a control without a window).
    explicit TCanvas(TCanvasTarget* Target = nullptr) : FTarget(Target) {}
    void SetTarget(TCanvasTarget* Target) { FTarget = Target; }
    [[nodiscard]] TCanvasTarget* Target() const { return FTarget; }
    /// @}

    TBrush Brush;

    /// Fills Rect with Brush.Color.
    void FillRect(const TRect& Rect);
    /// Copies the whole of Source with its top-left pixel at (X, Y).
    void Draw(int X, int Y, const TBitmap& Source);

private:
    TCanvasTarget* FTarget;
};

class TBitmap : private TCanvasTarget {
public:
    TBitmap();
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    [[nodiscard]] int Width() const { return FWidth; }
    [[nodiscard]] int Height() const { return FHeight; }
    /// @{
    /// Sizes are clamped to 0..MaxExtent. Pixels that remain inside the new size keep their
    /// values; new pixels are black.
    void SetWidth(int AWidth);
    void SetHeight(int AHeight);
    void SetSize(int AWidth, int AHeight);
    void SetPixelFormat(TPixelFormat) {}  // always 24-bit
    [[nodiscard]] TPixelFormat PixelFormat() const { return TPixelFormat::pf24bit; }
    /// @}

    /// Bytes per row: 3 x Width rounded up to a multiple of 4.
    [[nodiscard]] std::size_t RowStride() const { return FStride; }
    /// @{
    /// The first byte of row Row (0 = top). Row must lie in 0..Height-1.
    [[nodiscard]] std::uint8_t* ScanLine(int Row);
    [[nodiscard]] const std::uint8_t* ScanLine(int Row) const;
    /// @}

    /// The colour at (X, Y) as a TColor (red in the low byte); 0 outside the bitmap.
    [[nodiscard]] TColor Pixel(int X, int Y) const;

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
};

}  // namespace vyr::host
