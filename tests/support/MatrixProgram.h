// Programs of public operations on a TEditMatrix, as bytes and as steps, and an interpreter
// that runs them on a shown headless form and checks the control's invariants after every step.
//
// The byte form is total: every byte string decodes to a program (missing operand bytes read as
// 0), so a fuzzer can feed raw input to DecodeProgram. EncodeProgram writes a program back into
// bytes that decode to the same program, for seed corpora and for reproducing a failure.
//
// The interpreter never pumps the host's message loop: the worker threads that scroll mode
// resumes block in their first synchronised step until the control is destroyed, and the marquee
// advances only through the timer steps a program calls. A run is therefore deterministic, and
// two runs of one program (say, on two renderers) see the same sequence of states.
//
// No gtest here: the fuzz target links this without it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editmatrix/access.h"
#include "host/headless/CountingPeer.h"
#include "vyr/CharSet.h"
#include "vyr/EditMatrix.h"
#include "vyr/headless/Headless.h"
#include "vyr/host/Controls.h"

namespace vyr::test {

using host::AnsiString;
using host::Byte;
using host::TColor;
using host::Word;

// The published properties a program sets (Text has an operation of its own, Charset the
// TCharSet operations). Declared order of the property table.
enum class TProgramProperty : std::uint8_t {
    Scroll,
    Delay,
    BlinkOffColor,
    BlinkDelay,
    ActiveLED,
    ActiveLEDOnColor,
    ActiveLEDOffColor,
    BackgroundColor,
    InactiveLEDOnColor,
    InactiveLEDOffColor,
    LEDShape,
    LEDSize,
    LEDDistance,
    StepActive,
    StepToOutside,
    TabOrder,
    TabStop,
    TotalVisible,
    Overwrite,
};
inline constexpr int ProgramPropertyCount = 19;

// The kind of value a property takes (and so its operand bytes), and its name in the property
// table.
enum class TValueKind { Bool, Octet, Shape, Color, Integer };
[[nodiscard]] TValueKind KindOf(TProgramProperty P);
[[nodiscard]] std::string_view NameOf(TProgramProperty P);
// An Integer property's value as the property holds it.
[[nodiscard]] inline std::int32_t AsInt(std::uint32_t V) { return static_cast<std::int32_t>(V); }

enum class TOpKind : std::uint8_t {
    SetText,          // Text := Bytes
    SetProperty,      // Property := Value; through the property table when Flag is set
    KeyDown,          // key code Value, shift state Arg (the host's key dispatch)
    KeyPress,         // character Arg
    Focus,            // Arg % 6: focus the matrix, sibling Value, no control, click the
                      // matrix, next / previous tab stop
    ScrollStep,       // Count x TryToScrollOnce (Flag: DelayTimerOnTimer)
    BlinkStep,        // Count x TryToBlink (Flag: BlinkOnTimer)
    SetCharColumn,    // SetCharColumn(Arg, Arg2, Value)
    ChangeChar,       // ChangeChar(Arg, Glyph)
    InsertCharacter,  // InsertCharacter(Arg)
    Move,             // Count x (GoRight, GoLeft, GoHome, GoEnd, GoPageUp, GoPageDown)[Arg % 6]
    Edit,             // Count x (InsertChar(Arg2), DeleteChar, BackSpaceChar)[Arg % 3]
    Paint,            // Arg % 7: Paint, total / mini / both flags + Paint, RedrawDisplay,
                      // WM_PAINT, the form's PaintAll
    CharSet,          // Arg % 4: refer to a (new) TCharSet, drop the reference, free it,
                      // write a column through it (Arg2, Value)
    Message,          // Arg % 3: WM_GETDLGCODE, WM_ERASEBKGND, WM_NEXTDLGCTL (WParam Value)
    Parent,           // Flag: back on the form; else off it (no window)
    StopScroll,
    UpcaseDK,  // UpcaseDK(Arg), checked against its table
    Frame,     // Arg % 7: TotalRedraw (false, false), (false, true), TotalScrollRedraw (false,
               // false), (false, true), HideCursor, ShowCursor, InitScroll; in either mode
    Scribble,  // fills a rectangle of the back buffer with colour Value behind the control's
               // back: left 4 Box[0], top 4 Box[1], 1 + 4 Box[2] wide, 1 + 4 Box[3] high
    HostSize,  // the host sizes the control to Value & 0xFFFF x Value >> 16 without its knowledge
};
inline constexpr int OpKindCount = 21;

struct TOp {
    TOpKind Kind = TOpKind::Paint;
    std::uint8_t Arg = 0;    // selector or character code
    std::uint8_t Arg2 = 0;   // second byte operand
    std::uint8_t Count = 1;  // repetitions, 1..16
    bool Flag = false;
    TProgramProperty Property = TProgramProperty::Scroll;
    std::uint32_t Value = 0;  // property value (as its type's bits), key code, byte operand
    std::array<Byte, 5> Glyph{};
    std::array<std::uint8_t, 4> Box{};  // Scribble
    std::string Bytes;                  // SetText

    friend bool operator==(const TOp&, const TOp&) = default;
};

// The form the matrix lives on: window siblings after it in tab order (0..3), and optionally a
// plain control without a window among the children (the focus walk then fails on it).
struct TProgramLayout {
    int Siblings = 2;
    bool PlainChild = false;

    friend bool operator==(const TProgramLayout&, const TProgramLayout&) = default;
};

struct TProgram {
    TProgramLayout Layout;
    std::vector<TOp> Ops;

    friend bool operator==(const TProgram&, const TProgram&) = default;
};

// At most this many operations are decoded from one input; the rest is ignored.
inline constexpr std::size_t MaxProgramOps = 256;

[[nodiscard]] TProgram DecodeProgram(std::span<const std::uint8_t> Data);
[[nodiscard]] std::vector<std::uint8_t> EncodeProgram(const TProgram& Program);
// One line for a failure message, e.g. "SetProperty LEDSize 255".
[[nodiscard]] std::string Describe(const TOp& Op);

// A program of Ops random operations from a fixed seed: every kind, with values drawn mostly
// from the edges of their types. Geometry stays moderate (the fuzzer reaches the host's size
// limit), so that thousands of programs run quickly.
[[nodiscard]] TProgram RandomProgram(std::uint32_t Seed, std::size_t Ops);

// The matrix a program runs on: a TEditMatrix with the frame steps open that the Frame
// operations call and the renderer switch, counting its repaints.
class TProgramMatrix : public detail::TMatrixAccess::TOpenMatrix {
public:
    using TOpenMatrix::TOpenMatrix;
    void Paint() override {
        ++Paints;
        TEditMatrix::Paint();
    }
    int Paints = 0;
};

// Makes the matrix under test; the runner parents it on its form. Default: a TProgramMatrix
// with the fast renderer.
using TMatrixFactory = std::function<TProgramMatrix*(host::TComponent* Owner)>;

// One shown headless form with the matrix and its siblings; runs operations on it.
class TProgramRunner {
public:
    explicit TProgramRunner(const TProgramLayout& Layout, const TMatrixFactory& Make = {});
    ~TProgramRunner();
    TProgramRunner(const TProgramRunner&) = delete;
    TProgramRunner& operator=(const TProgramRunner&) = delete;

    // Runs one operation. Exceptions that escape an event handler are reported by the host's
    // dispatch (Application), not thrown.
    void Step(const TOp& Op);
    // Empty when every invariant holds after the last step; otherwise what is broken.
    [[nodiscard]] std::string Check() const;

    [[nodiscard]] TProgramMatrix& Matrix() const { return *FMatrix; }
    [[nodiscard]] host::TForm& Form() const { return *FForm; }
    // The matrix's window, or null while it is off the form.
    [[nodiscard]] headless::TCountingPeer* Peer() const;

private:
    headless::TCountingWidgetSet FWidgetSet;
    std::unique_ptr<host::TForm> FForm;
    TProgramMatrix* FMatrix = nullptr;  // owned by FForm
    std::vector<host::TWinControl*> FSiblings;
    TCharSet* FCharSet = nullptr;  // owned by FForm, or freed by a step
    std::string FStepFailure;      // a check made during the step itself
    // The host sized the control behind its back: its size and the back buffer's need not
    // follow the geometry until they agree again (the next resizing frame).
    bool FHostSized = false;

    [[nodiscard]] std::string SizeProblem() const;
};

// Called after every operation once its checks have passed; returning false stops the run.
using TAfterOp = std::function<bool(std::size_t Index, const TOp& Op, const TProgramRunner& Runner)>;

// Runs the program on a new runner. Returns "" when every step kept the invariants, else
// "op <index> (<description>): <what broke>".
[[nodiscard]] std::string RunProgram(const TProgram& Program, const TAfterOp& After = {},
                                     const TMatrixFactory& Make = {});

// Empty when the two runners' matrices show the same thing: back buffers and window surfaces
// pixel for pixel, repaint, copy and fill counts, the marquee's position, colours and flags
// and both refresh flags. Otherwise the first difference.
[[nodiscard]] std::string CompareMatrices(const TProgramRunner& A, const TProgramRunner& B);

// Runs the program on two runners side by side, one matrix drawing with the literal renderer
// and one with the fast renderer, checking both after every step and comparing them with
// CompareMatrices. After sees the fast side. Returns "" or "op <index> (<description>): ...".
[[nodiscard]] std::string RunOnBothRenderers(const TProgram& Program, const TAfterOp& After = {});

}  // namespace vyr::test
