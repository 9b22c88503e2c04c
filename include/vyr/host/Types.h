/// @file
/// Basic types of the host component library: colours, 8-bit text, rectangles, key codes,
/// shift states, window messages, and the two kernel services the components use.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "vyr/host/Text.h"

namespace vyr::host {

/// An unsigned 8-bit value (a character code, a published byte property).
using Byte = std::uint8_t;
/// An unsigned 16-bit value (a virtual-key code).
using Word = std::uint16_t;

/// 8-bit text: every char is one character code 0..255 (Latin-1 where it matters).
using AnsiString = std::string;

/// A colour: bits 0-7 red, 8-15 green, 16-23 blue; the top byte carries no colour.
using TColor = std::uint32_t;

/// A rectangle in pixels; Right and Bottom are exclusive.
struct TRect {
    int Left = 0;                                              ///< left edge, inclusive
    int Top = 0;                                               ///< top edge, inclusive
    int Right = 0;                                             ///< right edge, exclusive
    int Bottom = 0;                                            ///< bottom edge, exclusive
    [[nodiscard]] int Width() const { return Right - Left; }   ///< Right - Left (negative for an inverted rectangle)
    [[nodiscard]] int Height() const { return Bottom - Top; }  ///< Bottom - Top
    friend bool operator==(const TRect&, const TRect&) = default;  ///< equal when all four edges are
};

/// The rectangle from Left, Top (inclusive) to Right, Bottom (exclusive).
inline TRect Rect(int Left, int Top, int Right, int Bottom) { return TRect{Left, Top, Right, Bottom}; }

/** @{ */
/// Modifier keys held during a key event.
using TShiftState = unsigned;
inline constexpr TShiftState ssShift = 1U << 0;
inline constexpr TShiftState ssAlt = 1U << 1;
inline constexpr TShiftState ssCtrl = 1U << 2;
/** @} */

/// Virtual-key codes (the Windows values).
namespace vk {
inline constexpr Word Back = 8;     ///< Backspace
inline constexpr Word Tab = 9;      ///< Tab
inline constexpr Word Return = 13;  ///< Return (Enter)
inline constexpr Word Escape = 27;  ///< Escape
inline constexpr Word Prior = 33;   ///< Page Up
inline constexpr Word Next = 34;    ///< Page Down
inline constexpr Word End = 35;     ///< End
inline constexpr Word Home = 36;    ///< Home
inline constexpr Word Left = 37;    ///< Left arrow
inline constexpr Word Up = 38;      ///< Up arrow
inline constexpr Word Right = 39;   ///< Right arrow
inline constexpr Word Down = 40;    ///< Down arrow
inline constexpr Word Insert = 45;  ///< Insert
inline constexpr Word Delete = 46;  ///< Delete
}  // namespace vk

/** @{ */
/// Window messages that controls answer through WndProc.
inline constexpr unsigned WM_PAINT = 0x0F;
inline constexpr unsigned WM_ERASEBKGND = 0x14;
inline constexpr unsigned WM_NEXTDLGCTL = 0x28;
inline constexpr unsigned WM_GETDLGCODE = 0x87;
/** @} */

/** @{ */
/// WM_GETDLGCODE answer flags.
inline constexpr std::intptr_t DLGC_WANTARROWS = 1;
inline constexpr std::intptr_t DLGC_WANTTAB = 2;
inline constexpr std::intptr_t DLGC_WANTCHARS = 0x80;
/** @} */

/// A window message as WndProc receives it: the message number, its two parameters and the answer
/// the handler leaves in Result.
struct TMessage {
    unsigned Msg = 0;          ///< message number (WM_PAINT, ...)
    std::intptr_t WParam = 0;  ///< first parameter; its meaning depends on Msg
    std::intptr_t LParam = 0;  ///< second parameter; its meaning depends on Msg
    std::intptr_t Result = 0;  ///< the handler's answer (0 unless a handler sets it)
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
