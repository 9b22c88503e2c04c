// Random operation programs for a TEditMatrix: texts with control codes, every published
// property across its range, keys and typing, focus, scroll steps and blink toggles through
// both of their entry points, glyph edits, repaints, direct frame calls, a host resize of the
// control and writes into the back buffer behind the control's back.
//
// A program is data: each operation carries every value it uses, so the same program can be
// run on several matrices and give each the same input. An operation is a name (for failure
// messages) and a function of the matrix; whatever produces programs (this generator, or an
// interpreter of a stored program format) only has to produce this list.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "vyr/EditMatrix.h"
#include "vyr/host/Controls.h"

namespace vyr::test {

// The frame steps these programs drive are protected: every matrix they run on is a TMatrixProbe.
inline TMatrixProbe& Probe(TEditMatrix& M) { return static_cast<TMatrixProbe&>(M); }

struct TMatrixOp {
    std::string Name;
    std::function<void(TEditMatrix&)> Run;
};
using TMatrixProgram = std::vector<TMatrixOp>;

class TRandomOps {
public:
    explicit TRandomOps(std::uint32_t Seed) : FRandom(Seed) {}

    TMatrixProgram Program(int Length) {
        TMatrixProgram Ops;
        Ops.reserve(static_cast<std::size_t>(Length));
        for (int i = 0; i < Length; ++i) Ops.push_back(Next());
        return Ops;
    }

private:
    std::mt19937 FRandom;
    // The geometry as far as the generator's own settings go, to keep buffers of a size a test
    // can afford (codes in texts change it too, within small values).
    int FSize = 2;
    int FDistance = 1;
    int FVisible = 10;

    int Int(int Low, int High) { return std::uniform_int_distribution<int>(Low, High)(FRandom); }
    bool Chance(int Percent) { return Int(0, 99) < Percent; }
    TColor Colour() {
        static constexpr std::array<TColor, 6> Named = {0, 255, 128, 64, 0xFFFFFF, 0xFF000000};
        if (Chance(40)) return Named[static_cast<std::size_t>(Int(0, 5))];
        return static_cast<TColor>(std::uniform_int_distribution<std::uint32_t>()(FRandom));
    }
    // Mostly small, now and then anywhere in 0..255.
    int SmallByte() { return Chance(90) ? Int(0, 9) : Int(0, 255); }

    // Width x height of the grid in pixels, as the host would cap it.
    static long long Area(int S, int D, int Visible) {
        const long long P = S + D;
        const long long W = std::min<long long>(host::MaxExtent, D + P * 6 * Visible);
        const long long H = std::min<long long>(host::MaxExtent, D + P * 9);
        return W * H;
    }
    bool Affordable(int S, int D, int Visible) const { return Area(S, D, Visible) <= 2'000'000; }

    std::string Hex6(unsigned Value) {
        static constexpr char Digits[] = "0123456789ABCDEF";
        std::string S(6, '0');
        for (int i = 5; i >= 0; --i, Value >>= 4) S[static_cast<std::size_t>(i)] = Digits[Value & 15];
        return S;
    }

    std::string Text() {
        std::string T;
        const int Pieces = Chance(10) ? 0 : Int(1, 14);
        for (int i = 0; i < Pieces; ++i) {
            switch (Int(0, 9)) {
                case 0:
                case 1:
                case 2: {
                    const int N = Int(1, 6);
                    for (int k = 0; k < N; ++k) T += static_cast<char>(Chance(85) ? Int(32, 126) : Int(0, 255));
                    break;
                }
                case 3: {  // a digit code: colours, blinking, halting
                    const char Code = static_cast<char>('0' + Int(0, 8));
                    const unsigned Value =
                        Code == '0' ? (Chance(50) ? 0x010000U : 0U) : static_cast<unsigned>(Colour());
                    T += std::string("@") + Code + Hex6(Value & 0xFFFFFF);
                    break;
                }
                case 4: {  // a letter code
                    static constexpr char Letters[] = "ABCDEFILS";
                    const char Code = Letters[Int(0, 8)];
                    unsigned Value = static_cast<unsigned>(Colour()) & 0xFFFFFF;
                    if (Code == 'I' || Code == 'L') Value = static_cast<unsigned>(Int(0, 6));
                    if (Code == 'D') Value = static_cast<unsigned>(Int(0, 2000));
                    if (Code == 'A' || Code == 'S') Value = static_cast<unsigned>(Int(0, 1) * (Chance(50) ? 1 : 0x100));
                    T += std::string("@") + Code + Hex6(Value);
                    break;
                }
                case 5:  // malformed: lowercase, short, "@" inside, "9", trailing
                    T += Chance(50) ? "@C00ff00" : (Chance(50) ? "@9123456" : "@C00@0FF");
                    break;
                case 6:
                    T += "@@";
                    break;
                case 7:
                    T += "@";
                    break;
                default:
                    T += "AB";
                    break;
            }
        }
        return T;
    }

    TMatrixOp Property() {
        switch (Int(0, 18)) {
            case 0: {
                const bool V = Chance(60);
                return {"Scroll=" + std::to_string(V), [V](TEditMatrix& M) { M.FSetScroll(V); }};
            }
            case 1: {
                const TColor V = Colour();
                return {"BlinkOffColor=" + std::to_string(V), [V](TEditMatrix& M) { M.FSetBlinkOffColor(V); }};
            }
            case 2: {
                const bool V = Chance(50);
                return {"ActiveLED=" + std::to_string(V), [V](TEditMatrix& M) { M.FSetActiveLED(V); }};
            }
            case 3: {
                const TColor V = Colour();
                return {"ActiveLEDOnColor=" + std::to_string(V), [V](TEditMatrix& M) { M.FSetActiveLEDOnColor(V); }};
            }
            case 4: {
                const TColor V = Colour();
                return {"ActiveLEDOffColor=" + std::to_string(V), [V](TEditMatrix& M) { M.FSetActiveLEDOffColor(V); }};
            }
            case 5: {
                const TColor V = Colour();
                return {"BackgroundColor=" + std::to_string(V), [V](TEditMatrix& M) { M.FSetBackgroundColor(V); }};
            }
            case 6: {
                const TColor V = Colour();
                return {"InactiveLEDOnColor=" + std::to_string(V),
                        [V](TEditMatrix& M) { M.FSetInactiveLEDOnColor(V); }};
            }
            case 7: {
                const TColor V = Colour();
                return {"InactiveLEDOffColor=" + std::to_string(V),
                        [V](TEditMatrix& M) { M.FSetInactiveLEDOffColor(V); }};
            }
            case 8: {
                const bool Round = Chance(50);
                if (Round && FSize < 3) FSize = 3;
                if (Round && FSize % 2 == 0) --FSize;
                return {std::string("LEDShape=") + (Round ? "Circle" : "Square"),
                        [Round](TEditMatrix& M) { M.FSetLEDShape(Round ? EShape::Circle : EShape::Square); }};
            }
            case 9: {
                int V = SmallByte();
                for (int Try = 0; Try < 8 && !Affordable(std::max(V, 3), FDistance, FVisible); ++Try) V = Int(0, 9);
                if (!Affordable(std::max(V, 3), FDistance, FVisible)) V = 1;
                FSize = std::max(V, 3);
                const auto B = static_cast<Byte>(V);
                return {"LEDSize=" + std::to_string(V), [B](TEditMatrix& M) { M.FSetLEDSize(B); }};
            }
            case 10: {
                int V = SmallByte();
                for (int Try = 0; Try < 8 && !Affordable(FSize, V, FVisible); ++Try) V = Int(0, 9);
                if (!Affordable(FSize, V, FVisible)) V = 0;
                FDistance = V;
                const auto B = static_cast<Byte>(V);
                return {"LEDDistance=" + std::to_string(V), [B](TEditMatrix& M) { M.FSetLEDDistance(B); }};
            }
            case 11: {
                int V = Chance(85) ? Int(0, 20) : Int(0, 255);
                if (!Affordable(FSize, FDistance, V)) V = Int(0, 3);
                FVisible = V;
                const auto B = static_cast<Byte>(V);
                return {"TotalVisible=" + std::to_string(V), [B](TEditMatrix& M) { M.FSetTotalVisible(B); }};
            }
            case 12: {
                const bool V = Chance(50);
                return {"StepActive=" + std::to_string(V), [V](TEditMatrix& M) { M.FSetStepActive(V); }};
            }
            case 13: {
                const auto V = static_cast<Byte>(SmallByte());
                return {"StepToOutside=" + std::to_string(V), [V](TEditMatrix& M) { M.FSetStep(V); }};
            }
            case 14: {
                const bool V = Chance(50);
                return {"Overwrite=" + std::to_string(V), [V](TEditMatrix& M) { M.FSetOverwrite(V); }};
            }
            case 15: {
                const int V = Int(-5, 500);
                return {"Delay=" + std::to_string(V), [V](TEditMatrix& M) { M.FSetDelay(V); }};
            }
            case 16: {
                const int V = Int(-5, 500);
                return {"BlinkDelay=" + std::to_string(V), [V](TEditMatrix& M) { M.FSetBlinkDelay(V); }};
            }
            default: {
                const std::string V = Text();
                return {"Text=\"" + V + "\"", [V](TEditMatrix& M) { M.FSetText(V); }};
            }
        }
    }

    TMatrixOp Next() {
        switch (Int(0, 15)) {
            case 0:
            case 1:
            case 2:
                return Property();
            case 3: {
                static constexpr std::array<Word, 11> Keys = {37, 39, 36, 35, 33, 34, 45, 46, 38, 40, 8};
                const Word Key = Keys[static_cast<std::size_t>(Int(0, 10))];
                return {"key " + std::to_string(Key), [Key](TEditMatrix& M) {
                            host::SendKeyDown(M, Key, 0);
                            if (Key == 8) host::SendKeyPress(M, '\b');
                        }};
            }
            case 4: {
                const auto Ch = static_cast<char>(Chance(90) ? Int(32, 126) : Int(0, 255));
                return {"type " + std::to_string(static_cast<unsigned char>(Ch)),
                        [Ch](TEditMatrix& M) { host::SendKeyPress(M, Ch); }};
            }
            case 5:
            case 6:
                if (Chance(70)) return {"TryToScrollOnce", [](TEditMatrix& M) { M.TryToScrollOnce(); }};
                return {"DelayTimerOnTimer", [](TEditMatrix& M) { M.DelayTimerOnTimer(nullptr); }};
            case 7:
                if (Chance(70)) return {"TryToBlink", [](TEditMatrix& M) { M.TryToBlink(); }};
                return {"BlinkOnTimer", [](TEditMatrix& M) { M.BlinkOnTimer(nullptr); }};
            case 8: {
                const auto Ch = static_cast<Byte>(Chance(70) ? Int(32, 126) : Int(0, 255));
                if (Chance(50)) {
                    const auto Column = static_cast<Byte>(Int(0, 6));
                    const auto Value = static_cast<Byte>(Int(0, 255));
                    return {"SetCharColumn " + std::to_string(Ch) + "," + std::to_string(Column),
                            [=](TEditMatrix& M) { M.SetCharColumn(Ch, Column, Value); }};
                }
                std::array<Byte, 5> Glyph{};
                for (Byte& B : Glyph) B = static_cast<Byte>(Int(0, 255));
                return {"ChangeChar " + std::to_string(Ch), [=](TEditMatrix& M) { M.ChangeChar(Ch, Glyph); }};
            }
            case 9:
                return {"Paint", [](TEditMatrix& M) { M.Paint(); }};
            case 10:
                if (Chance(50)) return {"focus", [](TEditMatrix& M) { M.SetFocus(); }};
                return {"blur", [](TEditMatrix& M) {
                            if (auto* Form = dynamic_cast<host::TForm*>(M.Parent())) Form->FocusControl(nullptr);
                        }};
            case 11: {
                // The frame operations called directly, in either mode.
                const int Which = Int(0, 6);
                static constexpr std::array<const char*, 7> Names = {"TotalRedraw(false,false)",
                                                                     "TotalRedraw(false,true)",
                                                                     "TotalScrollRedraw(false,false)",
                                                                     "TotalScrollRedraw(false,true)",
                                                                     "HideCursor",
                                                                     "ShowCursor",
                                                                     "InitScroll"};
                return {Names[static_cast<std::size_t>(Which)], [Which](TEditMatrix& M) {
                            switch (Which) {
                                case 0:
                                    Probe(M).TotalRedraw(false, false);
                                    break;
                                case 1:
                                    Probe(M).TotalRedraw(false, true);
                                    break;
                                case 2:
                                    Probe(M).TotalScrollRedraw(false, false);
                                    break;
                                case 3:
                                    Probe(M).TotalScrollRedraw(false, true);
                                    break;
                                case 4:
                                    Probe(M).HideCursor();
                                    break;
                                case 5:
                                    Probe(M).ShowCursor();
                                    break;
                                default:
                                    Probe(M).InitScroll();
                                    break;
                            }
                        }};
            }
            case 12: {
                // Writes into the back buffer behind the control's back: a frame drawn without
                // clearing must leave such pixels between its LEDs alone.
                const TColor Ink = Colour();
                const int X = Int(0, 300), Y = Int(0, 100), W = Int(1, 400), H = Int(1, 120);
                return {"scribble", [=](TEditMatrix& M) {
                            auto& B = const_cast<host::TBitmap&>(*M.Bitmap());
                            B.Canvas().Brush.Color = Ink;
                            B.Canvas().FillRect(host::Rect(X, Y, X + W, Y + H));
                        }};
            }
            case 13: {
                // The host resizes the control without the control's knowledge; the back buffer
                // keeps its size until the next resizing frame.
                const int W = Int(0, 400), H = Int(0, 100);
                return {"host size " + std::to_string(W) + "x" + std::to_string(H), [=](TEditMatrix& M) {
                            M.SetWidth(W);
                            M.SetHeight(H);
                        }};
            }
            default:
                return Property();
        }
    }
};

}  // namespace vyr::test
