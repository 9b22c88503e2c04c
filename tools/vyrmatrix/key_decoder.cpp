#include "key_decoder.h"

namespace vyr::cli {

namespace {

using TKind = TKeyEvent::TKind;

// Final byte of "ESC [ ... X" or "ESC O X" for the keys that have one.
std::uint16_t KeyOfFinal(std::uint8_t Final) {
    switch (Final) {
        case 'A':
            return host::vk::Up;
        case 'B':
            return host::vk::Down;
        case 'C':
            return host::vk::Right;
        case 'D':
            return host::vk::Left;
        case 'H':
            return host::vk::Home;
        case 'F':
            return host::vk::End;
        default:
            return 0;
    }
}

// Number of "ESC [ N ~".
std::uint16_t KeyOfTilde(int Number) {
    switch (Number) {
        case 1:
        case 7:
            return host::vk::Home;
        case 2:
            return host::vk::Insert;
        case 3:
            return host::vk::Delete;
        case 4:
        case 8:
            return host::vk::End;
        case 5:
            return host::vk::Prior;
        case 6:
            return host::vk::Next;
        default:
            return 0;
    }
}

// xterm modifier parameter: 1 + (1 shift, 2 alt, 4 ctrl).
host::TShiftState ShiftOfModifier(int Modifier) {
    if (Modifier < 2) return 0;
    const int Bits = Modifier - 1;
    host::TShiftState Shift = 0;
    if (Bits & 1) Shift |= host::ssShift;
    if (Bits & 2) Shift |= host::ssAlt;
    if (Bits & 4) Shift |= host::ssCtrl;
    return Shift;
}

// The numbers of "1;5" (empty fields count 0); false for anything else (private markers).
bool ParseParams(const std::string& Params, std::vector<int>& Numbers) {
    Numbers.assign(1, 0);
    for (const char Ch : Params) {
        if (Ch >= '0' && Ch <= '9') {
            if (Numbers.back() < 10000) Numbers.back() = Numbers.back() * 10 + (Ch - '0');
        } else if (Ch == ';') {
            Numbers.push_back(0);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

void TKeyDecoder::FlushText(std::vector<TKeyEvent>& Events) {
    std::string Codes;
    FUtf8.Flush(Codes);
    for (const char Ch : Codes) Events.push_back(TKeyEvent::Press(Ch));
}

void TKeyDecoder::FinishCsi(std::uint8_t Final, std::vector<TKeyEvent>& Events) {
    std::vector<int> Numbers;
    if (!ParseParams(FParams, Numbers)) return;  // a sequence of no interest
    if (Final == 'Z') {
        Events.push_back(TKeyEvent::Of(TKind::FocusPrevious));
    } else if (Final == '~') {
        const std::uint16_t Key = KeyOfTilde(Numbers[0]);
        if (Key) Events.push_back(TKeyEvent::Down(Key, ShiftOfModifier(Numbers.size() > 1 ? Numbers[1] : 0)));
    } else if (const std::uint16_t Key = KeyOfFinal(Final)) {
        Events.push_back(TKeyEvent::Down(Key, ShiftOfModifier(Numbers.size() > 1 ? Numbers[1] : 0)));
    }
}

void TKeyDecoder::Ground(std::uint8_t Byte, std::vector<TKeyEvent>& Events) {
    if (Byte >= 0x20 && Byte != 0x7F) {
        std::string Codes;
        FUtf8.Feed(Byte, Codes);
        for (const char Ch : Codes) Events.push_back(TKeyEvent::Press(Ch));
        return;
    }
    // A control byte ends any partial UTF-8 character first.
    FlushText(Events);
    switch (Byte) {
        case 0x1B:
            FState = TState::Escape;
            break;
        case 0x7F:
        case 0x08:
            Events.push_back(TKeyEvent::Down(host::vk::Back));
            Events.push_back(TKeyEvent::Press('\x08'));
            break;
        case 0x0D:
        case 0x0A:
            Events.push_back(TKeyEvent::Down(host::vk::Return));
            Events.push_back(TKeyEvent::Press('\x0D'));
            break;
        case 0x09:
            Events.push_back(TKeyEvent::Of(TKind::FocusNext));
            break;
        case 0x03:
            Events.push_back(TKeyEvent::Of(TKind::Quit));
            break;
        default:
            break;  // other control keys have no use in the editor
    }
}

void TKeyDecoder::Feed(std::uint8_t Byte, std::vector<TKeyEvent>& Events) {
    switch (FState) {
        case TState::Ground:
            Ground(Byte, Events);
            return;
        case TState::Escape:
            if (Byte == '[') {
                FState = TState::Csi;
                FParams.clear();
            } else if (Byte == 'O') {
                FState = TState::Ss3;
            } else if (Byte == 0x1B) {
                // Escape pressed twice: the first one was a lone Escape.
                Events.push_back(TKeyEvent::Of(TKind::Quit));
            } else {
                // Alt with a key: of no use in the editor; the key itself is dropped.
                FState = TState::Ground;
            }
            return;
        case TState::Csi:
            if (Byte >= 0x40 && Byte <= 0x7E) {
                FState = TState::Ground;
                FinishCsi(Byte, Events);
            } else if (Byte >= 0x20 && Byte <= 0x3F) {
                if (FParams.size() < 32) FParams.push_back(static_cast<char>(Byte));
            } else {
                // Not part of a sequence: drop the sequence, read the byte afresh.
                FState = TState::Ground;
                Ground(Byte, Events);
            }
            return;
        case TState::Ss3:
            FState = TState::Ground;
            if (const std::uint16_t Key = KeyOfFinal(Byte)) Events.push_back(TKeyEvent::Down(Key));
            return;
    }
}

void TKeyDecoder::Timeout(std::vector<TKeyEvent>& Events) {
    if (FState == TState::Escape) Events.push_back(TKeyEvent::Of(TKind::Quit));
    FState = TState::Ground;
    FParams.clear();
    FlushText(Events);
}

std::vector<TKeyEvent> DecodeKeys(const std::string& Bytes) {
    TKeyDecoder Decoder;
    std::vector<TKeyEvent> Events;
    for (const char Ch : Bytes) Decoder.Feed(static_cast<std::uint8_t>(Ch), Events);
    Decoder.Timeout(Events);
    return Events;
}

}  // namespace vyr::cli
