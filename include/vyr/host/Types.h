/// @file
/// Basic types of the host component library: colours, 8-bit text, rectangles, key codes,
/// shift states, window messages, and the two kernel services the components use.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "vyr/host/Text.h"

namespace vyr::host {

using Byte = std::uint8_t;
using Word = std::uint16_t;

/// 8-bit text: every char is one character code 0..255 (Latin-1 where it matters).
using AnsiString = std::string;

/// A colour: bits 0-7 red, 8-15 green, 16-23 blue; the top byte carries no colour.
using TColor = std::uint32_t;

/// A rectangle in pixels; Right and Bottom are exclusive.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    [[nodiscard]] int Width() const { return Right - Left; }
    [[nodiscard]] int Height() const { return Bottom - Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Rect(int Left, int Top, int Right, int Bottom) { return TRect{Left, Top, Right, Bottom}; }

/// @{
/// Modifier keys held during a key event.
using TShiftState = unsigned;
inline constexpr TShiftState ssShift = 1U << 0;
inline constexpr TShiftState ssAlt = 1U << 1;
inline constexpr TShiftState ssCtrl = 1U << 2;
/// @}

// Virtual-key codes (the Windows values).
namespace vk {
inline constexpr Word Back = 8;
inline constexpr Word Tab = 9;
inline constexpr Word Return = 13;
inline constexpr Word Escape = 27;
inline constexpr Word Prior = 33;  ///< Page Up
inline constexpr Word Next = 34;   ///< Page Down
inline constexpr Word End = 35;
inline constexpr Word Home = 36;
inline constexpr Word Left = 37;
inline constexpr Word Up = 38;
inline constexpr Word Right = 39;
inline constexpr Word Down = 40;
inline constexpr Word Insert = 45;
inline constexpr Word Delete = 46;
}  // namespace vk

/// @{
/// Window messages that controls answer through WndProc.
inline constexpr unsigned WM_PAINT = 0x0F;
inline constexpr unsigned WM_ERASEBKGND = 0x14;
inline constexpr unsigned WM_NEXTDLGCTL = 0x28;
inline constexpr unsigned WM_GETDLGCODE = 0x87;
/// @}

/// @{
/// WM_GETDLGCODE answer flags.
inline constexpr std::intptr_t DLGC_WANTARROWS = 1;
inline constexpr std::intptr_t DLGC_WANTTAB = 2;
inline constexpr std::intptr_t DLGC_WANTCHARS = 0x80;
/// @}

struct TMessage {
    unsigned Msg = 0;
    std::intptr_t WParam = 0;
    std::intptr_t LParam = 0;
    std::intptr_t Result = 0;
};

/// Raised by a checked class conversion that does not hold ("Invalid class typecast").
class EInvalidCast : public std::runtime_error {
public:
    EInvalidCast() : std::runtime_error("Invalid class typecast") {}
    using std::runtime_error::runtime_error;
};

// UpCase: Text.h.

/// Pauses the calling thread for Milliseconds (0 gives up the rest of the time slice).
void Sleep(std::uint32_t Milliseconds);

}  // namespace vyr::host
