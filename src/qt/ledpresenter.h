// The device-pixel presentation of a QEditMatrix: at a devicePixelRatio other than 1 the LEDs are
// drawn again at device resolution, so that every LED and every gap has the same size in device
// pixels whatever the ratio (design pixels scaled to the ratio would alternate between blocks of
// 1 and 2 device pixels at 1.5, and round LEDs would be blocky squares).
//
// Chosen: the design's geometry at the ratio, rounded once: an LED of round(LEDSize x ratio)
// device pixels (at least 1), a gap of round(LEDDistance x ratio); the widget's logical size is
// the device grid's size divided by the ratio, rounded up, and the device pixels left over at the
// right and bottom show the background colour. Square LEDs stay square, round LEDs are discs at
// device resolution (any size, corners dark from 3 device pixels on). The presenter reads each
// LED's colour from the control's frame on the window's surface (one design pixel inside the LED,
// where every shape the control draws has its colour) and paints the LEDs of the part that
// changed with the control's own LED painter. The control draws, copies and counts its frames as
// at any ratio; only what the window shows differs. At a ratio of 1 the window shows the
// control's pixels themselves.
#pragma once

#include <QtGui/QImage>
#include <cstdint>
#include <vector>

#include "vyr/EditMatrix.h"
#include "vyr/qt/QtBackend.h"

namespace vyr::qt {

class TLEDPresenter final : public QSurfacePresenter {
public:
    explicit TLEDPresenter(const TEditMatrix& Matrix) : FMatrix(Matrix) {}

    [[nodiscard]] QSize logicalSize(QSize Surface, qreal Ratio) const override;
    QRect present(const QImage& Surface, const QRect& Changed, QImage& Device, qreal Ratio, bool Full) override;

private:
    const TEditMatrix& FMatrix;
    // What the last drawing was made with: a change of any of it redraws everything.
    struct TDrawnWith {
        int Size = -1;
        int Distance = -1;
        bool Round = false;
        host::TColor Background = 0;
        qreal Ratio = 0;
        bool operator==(const TDrawnWith&) const = default;
    } FDrawnWith;
    std::vector<std::uint16_t> FInk;
    std::vector<std::uint32_t> FPalette;
    std::vector<std::uint8_t> FRuns;
};

}  // namespace vyr::qt
