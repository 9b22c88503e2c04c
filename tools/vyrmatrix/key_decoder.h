// Turns the bytes a terminal sends into the editor's keyboard events.
//
// Escape sequences (CSI "ESC [" and SS3 "ESC O") for the arrows, Home, End, Page Up/Down,
// Insert and Delete become key-down events with the virtual-key codes of those keys (modifier
// parameters such as "ESC [ 1 ; 5 C" give the shift state); printable characters, decoded from
// UTF-8 to 8-bit codes (Latin-1, or the code page given), become key-press events only; Backspace (0x7f or 0x08) becomes a
// key-down of 8 followed by a key-press of 8, Enter (CR or LF) the same with 13; Tab and
// "ESC [ Z" ask to move the focus forward or back; Ctrl-C and a lone Escape ask to quit.
//
// A lone Escape cannot be told from the start of a sequence by its byte: the caller calls
// Timeout() when no byte followed within a short time, which concludes what is pending.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "utf8.h"
#include "vyr/host/Types.h"

namespace vyr::cli {

struct TKeyEvent {
    enum class TKind { KeyDown, KeyPress, FocusNext, FocusPrevious, Quit };
    TKind Kind = TKind::KeyPress;
    std::uint16_t Key = 0;        // KeyDown: the virtual-key code
    host::TShiftState Shift = 0;  // KeyDown
    char Char = 0;                // KeyPress: the 8-bit code
    friend bool operator==(const TKeyEvent&, const TKeyEvent&) = default;

    static TKeyEvent Down(std::uint16_t AKey, host::TShiftState AShift = 0) {
        return TKeyEvent{TKind::KeyDown, AKey, AShift, 0};
    }
    static TKeyEvent Press(char AChar) { return TKeyEvent{TKind::KeyPress, 0, 0, AChar}; }
    // An event that carries nothing but its kind (focus moves, quit).
    static TKeyEvent Of(TKind AKind) { return TKeyEvent{AKind, 0, 0, 0}; }
};

class TKeyDecoder {
public:
    TKeyDecoder() = default;
    // Typed characters become the codes CodeOf gives (a code page).
    explicit TKeyDecoder(TUtf8Decoder::TCodeOf CodeOf) : FUtf8(std::move(CodeOf)) {}

    // Feeds one byte; appends the events it completes.
    void Feed(std::uint8_t Byte, std::vector<TKeyEvent>& Events);
    // No byte came for a while: a pending lone Escape is a Quit, an unfinished sequence is
    // dropped, and a pending partial UTF-8 character is typed byte by byte.
    void Timeout(std::vector<TKeyEvent>& Events);
    // Something is pending that Timeout would conclude.
    [[nodiscard]] bool Pending() const { return FState != TState::Ground || FUtf8.Pending(); }

private:
    enum class TState { Ground, Escape, Csi, Ss3 };
    void FinishCsi(std::uint8_t Final, std::vector<TKeyEvent>& Events);
    void Ground(std::uint8_t Byte, std::vector<TKeyEvent>& Events);
    void FlushText(std::vector<TKeyEvent>& Events);

    TState FState = TState::Ground;
    std::string FParams;  // parameter and intermediate bytes of a CSI sequence
    TUtf8Decoder FUtf8;
};

// Decodes a whole byte string and concludes it as after a timeout (for tests and pipes).
std::vector<TKeyEvent> DecodeKeys(const std::string& Bytes);

}  // namespace vyr::cli
