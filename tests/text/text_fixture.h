// Helpers for the text tests: a matrix on a shown headless form brought into a given cursor and
// window state through its own movement operations, and back-buffer snapshots compared LED by
// LED. The list invariants are ListIsSound (support/test_support.h).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"
#include "vyr/EditMatrix.h"

namespace vyr::test {

// Distinct printable characters, so that every index of a text can be told apart.
inline std::string Letters(int Length) {
    static const std::string Pool = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string S;
    for (int i = 0; i < Length; ++i) S += Pool[static_cast<std::size_t>(i) % Pool.size()];
    return S;
}

// Sets the width and the text, then walks the cursor (single-step rules) to index P with the
// window at F, and only then switches the step rules on. P and F must be reachable that way:
// F <= P <= F + T - 1 and F <= max(0, L - T + 1).
inline void Prepare(TEditMatrix& M, int T, const std::string& Text, int P, int F, bool Step = false, int S = 5) {
    M.FSetTotalVisible(static_cast<Byte>(T));
    M.FSetStepActive(false);
    M.FSetText(Text);
    M.GoHome();
    while (M.FirstVisible() < F && M.CursorPos() < M.TextLength()) M.GoRight();
    while (M.CursorPos() > P) M.GoLeft();
    while (M.CursorPos() < P) M.GoRight();
    M.FSetStepActive(Step);
    M.FSetStep(static_cast<Byte>(S));
    ASSERT_EQ(M.CursorPos(), P);
    ASSERT_EQ(M.FirstVisible(), F);
    ASSERT_EQ(M.TextLength(), static_cast<std::int32_t>(Text.size()));
}

// A copy of a bitmap's pixels.
struct TSnapshot {
    int Width = 0;
    int Height = 0;
    std::vector<TColor> Pixels;

    explicit TSnapshot(const host::TBitmap& B) : Width(B.Width()), Height(B.Height()) {
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) Pixels.push_back(B.Pixel(x, y));
    }
    [[nodiscard]] TColor At(int X, int Y) const {
        return Pixels[static_cast<std::size_t>(Y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(X)];
    }
    friend bool operator==(const TSnapshot&, const TSnapshot&) = default;
};

using TLed = std::pair<int, int>;  // LED column, LED row

// The LEDs whose boxes hold a changed pixel; a changed pixel outside every LED box is
// reported as (-1, -1).
inline std::set<TLed> ChangedLeds(const TSnapshot& Before, const TSnapshot& After, const TEditMatrix& M) {
    std::set<TLed> Changed;
    if (Before.Width != After.Width || Before.Height != After.Height) {
        Changed.insert({-2, -2});
        return Changed;
    }
    const int S = M.LEDSize();
    const int D = M.LEDDistance();
    const int Pitch = S + D;
    for (int y = 0; y < Before.Height; ++y) {
        for (int x = 0; x < Before.Width; ++x) {
            if (Before.At(x, y) == After.At(x, y)) continue;
            const int Col = (x - D) / Pitch;
            const int Row = (y - D) / Pitch;
            const bool InBox = x >= D && y >= D && (x - D) % Pitch < S && (y - D) % Pitch < S;
            Changed.insert(InBox ? TLed{Col, Row} : TLed{-1, -1});
        }
    }
    return Changed;
}

// The five LEDs of the cursor bar under cell Slot.
inline std::set<TLed> BarLeds(int Slot) {
    std::set<TLed> Leds;
    for (int i = 0; i < 5; ++i) Leds.insert({6 * Slot + i, 8});
    return Leds;
}

}  // namespace vyr::test
