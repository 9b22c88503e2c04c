#include "ledpresenter.h"

#include <algorithm>
#include <cmath>

#include "editmatrix/ledpainter.h"

namespace vyr::qt {

namespace {

led::TGeometry DesignGeometry(const TEditMatrix& M) {
    return {.Size = M.LEDSize(),
            .Distance = M.LEDDistance(),
            .Shape = M.LEDShape() == EShape::Circle ? led::EShape::Disc : led::EShape::Square};
}

led::TGeometry DeviceGeometry(const TEditMatrix& M, qreal Ratio) {
    const auto Scaled = [Ratio](int V) { return static_cast<int>(std::lround(V * Ratio)); };
    return {.Size = std::clamp(Scaled(M.LEDSize()), 1, led::MaxLEDSize),
            .Distance = Scaled(M.LEDDistance()),
            .Shape = M.LEDShape() == EShape::Circle ? led::EShape::RoundAnySize : led::EShape::Square};
}

// The LED columns (or rows) of the design grid whose box starts inside Extent design pixels.
int DesignLEDs(const led::TGeometry& Design, int Extent) { return Design.ColumnsStartingWithin(Extent); }

// The device grid's extent for Count LEDs: the gap before each LED and the one after the last.
int DeviceExtent(const led::TGeometry& Device, int Count) {
    return Count > 0 ? Device.Distance + Device.Pitch() * Count : 0;
}

}  // namespace

QSize TLEDPresenter::logicalSize(QSize Surface, qreal Ratio) const {
    const led::TGeometry Design = DesignGeometry(FMatrix);
    const led::TGeometry Device = DeviceGeometry(FMatrix, Ratio);
    const auto Logical = [Ratio](int DevicePixels) { return static_cast<int>(std::ceil(DevicePixels / Ratio - 1e-9)); };
    return {Logical(DeviceExtent(Device, DesignLEDs(Design, Surface.width()))),
            Logical(DeviceExtent(Device, DesignLEDs(Design, Surface.height())))};
}

QRect TLEDPresenter::present(const QImage& Surface, const QRect& Changed, QImage& Device, qreal Ratio, bool Full) {
    const led::TGeometry Design = DesignGeometry(FMatrix);
    const led::TGeometry Geometry = DeviceGeometry(FMatrix, Ratio);
    const TDrawnWith Now{.Size = Geometry.Size,
                         .Distance = Geometry.Distance,
                         .Round = Geometry.Shape == led::EShape::RoundAnySize,
                         .Background = FMatrix.BackgroundColor(),
                         .Ratio = Ratio};
    QRect Area = Changed;
    QRect Written;
    if (Full || Now != FDrawnWith) {
        // The gaps and the margin take the background; every LED is drawn below.
        const host::TColor B = Now.Background;
        Device.fill(
            QColor(static_cast<int>(B & 0xFF), static_cast<int>((B >> 8) & 0xFF), static_cast<int>((B >> 16) & 0xFF)));
        FDrawnWith = Now;
        Area = Surface.rect();
        Written = Device.rect();
    }
    const int Columns = DesignLEDs(Design, Surface.width());
    const int Rows = DesignLEDs(Design, Surface.height());
    if (Area.isEmpty() || Columns <= 0 || Rows <= 0 || Design.Size < 1) return Written;

    // The LEDs whose design box meets the area.
    const int P = Design.Pitch();
    const auto First = [&](int Pixel) { return std::max(0, (Pixel - Design.Distance - Design.Size + 1 + P - 1) / P); };
    const auto Last = [&](int Pixel, int Count) { return std::min(Count - 1, (Pixel - Design.Distance) / P); };
    const int C0 = First(std::max(Area.left(), 0));
    const int C1 = Last(Area.right(), Columns);
    const int R0 = First(std::max(Area.top(), 0));
    const int R1 = Last(Area.bottom(), Rows);
    if (C1 < C0 || R1 < R0) return Written;

    // Each LED's colour, read where the design's LED has it: the centre of its box, which every
    // square and disc covers.
    const int Centre = (Design.Size - 1) / 2;
    const int W = C1 - C0 + 1;
    FInk.assign(static_cast<std::size_t>(W) * static_cast<std::size_t>(R1 - R0 + 1), led::KeepInk);
    FPalette.clear();
    for (int R = R0; R <= R1; ++R) {
        const int Y = Design.Distance + P * R + Centre;
        if (Y >= Surface.height()) break;
        const auto* Line = reinterpret_cast<const QRgb*>(Surface.constScanLine(Y));
        for (int C = C0; C <= C1; ++C) {
            const int X = Design.Distance + P * C + Centre;
            if (X >= Surface.width()) break;
            const QRgb Pixel = Line[X];
            const auto Colour = static_cast<std::uint32_t>(qRed(Pixel)) |
                                static_cast<std::uint32_t>(qGreen(Pixel)) << 8 |
                                static_cast<std::uint32_t>(qBlue(Pixel)) << 16;
            auto It = std::find(FPalette.begin(), FPalette.end(), Colour);
            if (It == FPalette.end()) It = FPalette.insert(FPalette.end(), Colour);
            FInk[static_cast<std::size_t>(R - R0) * static_cast<std::size_t>(W) + static_cast<std::size_t>(C - C0)] =
                static_cast<std::uint16_t>(It - FPalette.begin());
        }
    }
    const led::TPixelRows Out{.First = Device.bits(),
                              .Stride = static_cast<std::size_t>(Device.bytesPerLine()),
                              .Width = Device.width(),
                              .Height = Device.height()};
    const led::TInkGrid Grid{.FirstRow = R0,
                             .Rows = R1 - R0 + 1,
                             .FirstColumn = C0,
                             .Columns = W,
                             .Ink = FInk.data(),
                             .Palette = FPalette.data(),
                             .PaletteSize = FPalette.size()};
    led::TLEDPainter(Geometry, FRuns).Paint(Out, Grid, false);
    const int Pitch = Geometry.Pitch();
    return Written | QRect(Geometry.Distance + Pitch * C0, Geometry.Distance + Pitch * R0,
                           Pitch * W - Geometry.Distance, Pitch * (R1 - R0 + 1) - Geometry.Distance);
}

}  // namespace vyr::qt
