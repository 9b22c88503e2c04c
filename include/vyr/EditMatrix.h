/// @file
/// TEditMatrix: a focusable control that shows a line of 8-bit text as a 5 x 7 dot-matrix LED
/// display. In edit mode (Scroll false) the text is edited from the keyboard with a cursor bar
/// under the character at the cursor; in scroll mode (Scroll true) it runs as a marquee driven by
/// two worker threads, with "@" control codes in the text changing colours, blinking, LED shape,
/// size, spacing and speed, or halting it.
///
/// Threads: every method runs on the GUI thread. The worker threads read only FDelay and
/// FBlinkDelay (atomics) and hand every step to the GUI thread through Synchronize.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "vyr/SlabPool.h"
#include "vyr/host/Controls.h"
#include "vyr/host/Graphics.h"
#include "vyr/host/Threads.h"
#include "vyr/host/Types.h"

namespace vyr {

class TCharSet;
class TEditMatrix;

namespace detail {
/// The implementation's own helpers (src/editmatrix) reach protected steps through this.
struct TMatrixAccess;
}  // namespace detail

namespace led {
/// The implementation's LED painter's geometry (not installed).
struct TGeometry;
}  // namespace led

/// LED shape, one byte.
enum class EShape : host::Byte { Square = 0, Circle = 1 };

/// One character of the edited text. The list ends with a sentinel node of Character 0.
struct Node {
    host::Byte Character = 0;  ///< the character code (0 in the end sentinel)
    Node* NextNode = nullptr;  ///< null only in the end sentinel
    Node* PrevNode = nullptr;  ///< null only in the first node
};

/// A link between stream cells: the index of a cell in the control's cell pool, 0 for none.
using TPixelLink = TSlabIndex;
/// One cell of the scroll column stream. Columns are chained through their top cells (heads).
/// LED column: 7 cells linked by Down/Up, Value 0 or 1. Letter code: 7 cells, head Value = the
/// code character, then the high, middle and low value bytes and three 0 cells along Down.
/// Digit code: head (Value = code character, Down null) with the three value bytes chained along
/// Up (each value cell's Down points back toward the head).
/// The links name cells of the control's cell pool by index (0: none; TEditMatrix::PixelPool().At
/// gives the cell), so that a cell takes 20 bytes.
struct _Pixel {
    host::Byte Value = 0;  ///< LED cell: 0 or 1; head of a code: the code character; value cell: a byte
    TPixelLink Prev = 0;   ///< same row, column before
    TPixelLink Next = 0;   ///< same row, column after
    TPixelLink Up = 0;     ///< the cell above (a digit code: the next value cell)
    TPixelLink Down = 0;   ///< the cell below (a letter code: the next value cell)
};
static_assert(sizeof(_Pixel) == 20, "a stream cell is a byte and four 32-bit links");

/// Figures of a matrix's column stream, read in one walk. The walk follows the column heads from
/// the first to the last and stops early at a missing link or on coming back to the first head,
/// so that it always ends.
struct TMatrixDiagnostics {
    std::int64_t Heads = 0;         ///< column heads: LED columns and control codes
    std::int64_t LEDColumns = 0;    ///< LED columns: one lap of the marquee is that many steps
    std::int64_t ScrollIndex = -1;  ///< the scroll position among the heads; -1 when it has none
    std::int64_t CellsAlive = 0;    ///< cells of the stream now allocated
    std::size_t SlabBytes = 0;      ///< memory the cell pool holds
};

/// LED rows of a glyph, of a column of the scroll stream and so of the marquee. The static frame
/// of edit mode has two rows more: a dark one and the cursor row.
inline constexpr int GlyphRows = 7;

/** @{ */
/// The digit alphabet of control codes: "0".."9" and "A".."F" (uppercase only).
inline constexpr std::string_view HexStrNum = "0123456789";
inline constexpr std::string_view HexStrAlfa = "ABCDEF";
/** @} */

/// The loop both marquee threads share: until terminated, hand one step of the control to the GUI
/// thread (Synchronize, which waits for it), then pause for the control's delay as it is after the
/// step (negative delays pause as 0). Outside the step the thread reads only that delay. The loop
/// runs in the host's step mode: on an OS thread of its own, or resumed by the step clock on the
/// GUI thread (see vyr/host/Threads.h).
class TMatrixTimer : public host::TThread {
public:
    ~TMatrixTimer() override;  ///< terminates, wakes and joins the thread; FMatrix := null
    // (the owner joins it first, with WaitFor: see TThread's destructor)

protected:
    using TStep = void (TEditMatrix::*)();                           ///< runs on the GUI thread
    using TPeriod = std::int32_t (TEditMatrix::*)() const;           ///< milliseconds, read on the worker
    TMatrixTimer(TEditMatrix* AMatrix, TStep Step, TPeriod Period);  ///< created suspended

    host::TStepLoop Loop() override;

private:
    TEditMatrix* FMatrix;
    TStep FStep;
    TPeriod FPeriod;
};

/// Advances the marquee by one LED column every Delay milliseconds (TryToScrollOnce).
class TDelayTimer : public TMatrixTimer {
public:
    /// The delay timer of AMatrix, created suspended.
    explicit TDelayTimer(TEditMatrix* AMatrix);
};

/// Flips the blink phase every BlinkDelay milliseconds (TryToBlink).
class TBlinkTimer : public TMatrixTimer {
public:
    /// The blink timer of AMatrix, created suspended.
    explicit TBlinkTimer(TEditMatrix* AMatrix);
};

/// The LED dot-matrix control: a line of 8-bit text shown as 5 x 7 LED characters, edited from the
/// keyboard or run as a marquee (see the file's description). Its published properties follow in
/// declared order, each with its getter, its setter and its default. GUI thread only.
class TEditMatrix : public host::TCustomControl {
public:
    /// Makes the control owned by AOwner with every property at its default (181 x 28 pixels, edit
    /// mode, empty text) and both worker threads suspended. Nothing is drawn until it has a window.
    explicit TEditMatrix(host::TComponent* AOwner);
    ~TEditMatrix() override;

    [[nodiscard]] std::string_view ClassName() const override { return "TEditMatrix"; }
    /// Name, Tag, then the published properties below in declared order.
    [[nodiscard]] const host::TPropList& Properties() const override;

    // ---- Published properties, in declared order -------------------------------------------
    /** @{ */
    /// Marquee mode. Default false.
    [[nodiscard]] bool Scroll() const { return FScroll; }
    void FSetScroll(bool Value);
    /** @} */
    /** @{ */
    /// Milliseconds between scroll steps. Default 100. Negative values are stored but paused as 0.
    [[nodiscard]] std::int32_t Delay() const { return FDelay.load(std::memory_order_relaxed); }
    void FSetDelay(std::int32_t Value);
    /** @} */
    /** @{ */
    /// Colour of lit LEDs in the dark phase of blinking text. Default 64 (dark red).
    [[nodiscard]] host::TColor BlinkOffColor() const { return FBlinkOffColor; }
    void FSetBlinkOffColor(host::TColor Value);
    /** @} */
    /** @{ */
    /// Milliseconds between blink toggles. Default 100. Negative values pause as 0.
    [[nodiscard]] std::int32_t BlinkDelay() const { return FBlinkDelay.load(std::memory_order_relaxed); }
    void FSetBlinkDelay(std::int32_t Value);
    /** @} */
    /** @{ */
    /// Which colour pair the static frame uses: active (true) or inactive. Default true.
    [[nodiscard]] bool ActiveLED() const { return FActiveLED; }
    void FSetActiveLED(bool Value);
    /** @} */
    /** @{ */
    /// Default 255 (pure red).
    [[nodiscard]] host::TColor ActiveLEDOnColor() const { return FActiveLEDOnColor; }
    void FSetActiveLEDOnColor(host::TColor Value);
    /** @} */
    /** @{ */
    /// Default 64 (dark red).
    [[nodiscard]] host::TColor ActiveLEDOffColor() const { return FActiveLEDOffColor; }
    void FSetActiveLEDOffColor(host::TColor Value);
    /** @} */
    /** @{ */
    /// Margins and gaps between LEDs. Default 0 (black). Setting it always repaints.
    [[nodiscard]] host::TColor BackgroundColor() const { return FBackgroundColor; }
    void FSetBackgroundColor(host::TColor Value);
    /** @} */
    /** @{ */
    /// Not owned, not used for drawing; cleared when the referenced TCharSet is destroyed.
    [[nodiscard]] TCharSet* Charset() const { return FCharset; }
    void FSetCharSet(TCharSet* Value);
    /** @} */
    /** @{ */
    /// Default 128 (medium red).
    [[nodiscard]] host::TColor InactiveLEDOnColor() const { return FInactiveLEDOnColor; }
    void FSetInactiveLEDOnColor(host::TColor Value);
    /** @} */
    /** @{ */
    /// Default 0 (black).
    [[nodiscard]] host::TColor InactiveLEDOffColor() const { return FInactiveLEDOffColor; }
    void FSetInactiveLEDOffColor(host::TColor Value);
    /** @} */
    /** @{ */
    /// Default Square. Circle makes LEDSize odd and at least 3.
    [[nodiscard]] EShape LEDShape() const { return FLEDShape; }
    void FSetLEDShape(EShape Value);
    /** @} */
    /** @{ */
    /// LED side in pixels. Default 2. Square: 0 becomes 1; Circle: odd, at least 3.
    [[nodiscard]] host::Byte LEDSize() const { return FLEDSize; }
    void FSetLEDSize(host::Byte Value);
    /** @} */
    /** @{ */
    /// Pixels between LEDs and around the grid. Default 1.
    [[nodiscard]] host::Byte LEDDistance() const { return FLEDDistance; }
    void FSetLEDDistance(host::Byte Value);
    /** @} */
    /** @{ */
    /// The window jumps by StepToOutside characters instead of one. Default false.
    [[nodiscard]] bool StepActive() const { return FStepActive; }
    void FSetStepActive(bool Value);
    /** @} */
    /** @{ */
    /// Characters per jump. Default 5. 0 becomes 1; otherwise at most TotalVisible div 2.
    [[nodiscard]] host::Byte StepToOutside() const { return FStepToOutside; }
    void FSetStep(host::Byte Value);
    /** @} */
    // TabOrder and TabStop are the host's (TWinControl).
    /** @{ */
    /// The text, 8-bit codes; codes below 32 are stored as spaces. Assigning moves the cursor to
    /// the end.
    [[nodiscard]] host::AnsiString Text() const { return FReadText(); }
    [[nodiscard]] host::AnsiString FReadText() const;
    void FSetText(const host::AnsiString& Value);
    /** @} */
    /** @{ */
    /// Character cells shown. Default 10. Setting it always repaints.
    [[nodiscard]] host::Byte TotalVisible() const { return FTotalVisible; }
    void FSetTotalVisible(host::Byte Value);
    /** @} */
    /** @{ */
    /// Typing replaces the character under the cursor. Default false.
    [[nodiscard]] bool Overwrite() const { return FOverwrite; }
    void FSetOverwrite(bool Value);
    /** @} */

    // ---- Change notification -------------------------------------------------------------
    /// Called after a published property of this class took a different value, with its name as
    /// Properties() lists it ("LEDSize", "Text"): through its setter (also from a control code in
    /// a scroll frame, the focus handlers and the Insert key), as a side effect of another setter
    /// (StepToOutside re-clamped by TotalVisible, LEDSize adjusted by LEDShape), by editing (Text),
    /// or when the referenced TCharSet is destroyed (Charset). GUI thread. It may be called in the
    /// middle of a frame, so the handler must not change the control (set a property, edit,
    /// paint); one that wants to should note the change and act when the current call returned.
    std::function<void(TEditMatrix& Sender, std::string_view Property)> OnPropertyChange;

    // ---- Shell ---------------------------------------------------------------------------
    /// Renders one frame into the back buffer, chosen by the refresh flags, and copies it to the
    /// window (without a window only the back buffer is drawn).
    void Paint() override;
    /// Asks the next Paint for the whole frame (TotalRefresh true); draws nothing itself.
    void SetTotalRefresh() { FTotalRefresh = true; }
    /// Asks the next Paint for the quick frame (MiniRefresh true); draws nothing itself.
    void SetMiniRefresh() { FMiniRefresh = true; }
    /// Copies the back buffer to the window at (0, 0), drawing nothing new.
    void RedrawDisplay();

    // ---- Glyphs --------------------------------------------------------------------------
    /// Column 0..4 of the code's glyph (bit 6 the top LED, bit 0 the bottom); 255 for a
    /// column index of 5 or more.
    [[nodiscard]] host::Byte GetCharColumn(host::Byte Character, host::Byte Column) const;
    /// Stores one column and redraws when the code is in view. Column 5 or more: ignored.
    void SetCharColumn(host::Byte Character, host::Byte Column, host::Byte Value);
    /// Replaces a whole glyph and redraws when the code is in view.
    void ChangeChar(host::Byte Character, const std::array<host::Byte, 5>& Glyph);

    // ---- Cursor movement -----------------------------------------------------------------
    /** @{ */
    /// Each keeps the cursor inside the window (a window of no slots stands at the cursor) and
    /// redraws what changed; at the start (Left, Home, PageUp) or the end of the text (Right,
    /// End, PageDown) it does nothing.
    void GoRight();
    void GoLeft();
    void GoHome();
    void GoEnd();
    void GoPageUp();
    void GoPageDown();
    /** @} */

    // ---- Insertion and deletion ----------------------------------------------------------
    /// Types one character at the cursor (inserting, or replacing with Overwrite). Any code is
    /// stored as given; the keyboard and InsertCharacter pass only codes 32 to 255.
    void InsertChar(host::Byte Character);
    /// Removes the character under the cursor; nothing at the end of the text.
    void DeleteChar();
    /// Removes the character before the cursor; nothing at the start of the text.
    void BackSpaceChar();

    // ---- Keyboard ------------------------------------------------------------------------
    /// Inserts a character as if typed, in either mode; codes below 32 are ignored.
    void InsertCharacter(char Key);
    /// Upper case with three extra letters: 229->197, 230->198, 248->216.
    [[nodiscard]] static char UpcaseDK(char Key);
    /// The characters the marquee shows for Text, in order: well-formed control codes and
    /// malformed ones alike removed, "@@" as one "@", exactly as the scroll stream reads the text.
    /// What a screen reader is given for a scrolling control.
    [[nodiscard]] static host::AnsiString MarqueeText(std::string_view Text);

    // ---- Marquee steps -------------------------------------------------------------------
    /// Suspends both worker threads (the next switch to scroll mode resumes them).
    void StopScroll();
    /** @{ */
    /// One scroll step / one blink toggle and the repaint, as the worker threads hand them to
    /// the GUI thread; nothing once destruction has begun.
    void TryToScrollOnce();
    void TryToBlink();
    /** @} */
    /** @{ */
    /// The same steps for a timer of the application's own; nothing during construction.
    void DelayTimerOnTimer(host::TComponent* Sender);
    void BlinkOnTimer(host::TComponent* Sender);
    /** @} */

    // ---- Read-only views of the state, for applications, tools and tests ------------------
    /// True from the start of construction to its end; Paint draws nothing meanwhile.
    [[nodiscard]] bool Creating() const { return FCreating; }
    /// True once destruction has begun; worker steps then return without drawing.
    [[nodiscard]] bool Destroying() const { return FDestroying; }
    /// The next Paint draws the whole frame (set by the repainting setters, cleared by every
    /// whole frame).
    [[nodiscard]] bool TotalRefresh() const { return FTotalRefresh; }
    /// The next Paint takes the quick frame (set by a scroll step and a blink toggle, cleared by
    /// the repainting setters); it wins over TotalRefresh.
    [[nodiscard]] bool MiniRefresh() const { return FMiniRefresh; }
    /// The LED geometry (shape, size, spacing, visible width or mode) changed since the control's
    /// size and back buffer were last computed in edit mode.
    [[nodiscard]] bool GeometryChanged() const { return FGeometryChanged; }
    /// The back buffer every frame is drawn into and copied from, or null before the first frame.
    [[nodiscard]] const host::TBitmap* Bitmap() const { return FBitmap.get(); }
    /// The glyph table: five column bytes per character code, column k of code c at 5 x c + k,
    /// bit 6 the top LED row, bit 0 the bottom, bit 7 never shown.
    [[nodiscard]] const std::array<host::Byte, 256 * 5>& CharTable() const { return FCharTable; }
    /// Colour of lit LEDs in the static frame: the active or the inactive on-colour, following
    /// ActiveLED.
    [[nodiscard]] host::TColor OnColor() const { return FOnColor; }
    /// Colour of unlit LEDs in the static frame, chosen the same way.
    [[nodiscard]] host::TColor OffColor() const { return FOffColor; }
    /// The cursor's index in the text, 0..TextLength() (TextLength(): after the last character).
    [[nodiscard]] std::int32_t CursorPos() const { return FCursorPos; }
    /// Index of the character in the window's first slot, 0..TextLength().
    [[nodiscard]] std::int32_t FirstVisible() const { return FFirstVisible; }
    /// Number of characters in the text (the end sentinel not counted).
    [[nodiscard]] std::int32_t TextLength() const { return FTextLength; }
    /// The first node of the character list (the end sentinel when the text is empty).
    [[nodiscard]] const Node* FirstNode() const { return FFirstNode; }
    /// The node at the cursor (the end sentinel when the cursor is after the last character).
    [[nodiscard]] const Node* CursorNode() const { return FCursorNode; }
    /// The node in the window's first slot.
    [[nodiscard]] const Node* VisibleNode() const { return FVisibleNode; }
    /// The end sentinel of the character list (Character 0).
    [[nodiscard]] const Node* EndNode() const { return FEndNode; }
    /// Head cell of the stream's first column, or null while there is no stream.
    [[nodiscard]] const _Pixel* StreamHead() const { return FStreamHead; }
    /// Head cell of the stream's last column, or null while there is no stream.
    [[nodiscard]] const _Pixel* StreamTail() const { return FStreamTail; }
    /// Head cell of the stream column shown at the scroll frame's left edge, or null.
    [[nodiscard]] const _Pixel* ScrollPos() const { return FScrollPos; }
    /// The pool of the stream's cells, read-only: its At() follows the links of the cells above.
    [[nodiscard]] const TSlabPool<_Pixel>& PixelPool() const { return FPixelPool; }
    /// Colour of lit LEDs in the scroll frame (ActiveLEDOnColor, or a code's).
    [[nodiscard]] host::TColor ScrollOnColor() const { return FScrollOnColor; }
    /// Colour of unlit LEDs in the scroll frame (ActiveLEDOffColor, or a code's).
    [[nodiscard]] host::TColor ScrollOffColor() const { return FScrollOffColor; }
    /// Colour of lit LEDs in the blink-off phase while scrolling (BlinkOffColor, or a code's).
    [[nodiscard]] host::TColor ScrollBlinkOffColor() const { return FScrollBlinkOffColor; }
    /// The blink phase, toggled by every blink step.
    [[nodiscard]] bool BlinkState() const { return FBlinkState; }
    /// True while a control code has switched blinking on.
    [[nodiscard]] bool Blinking() const { return FBlinking; }
    /// True once a halting control code has stopped the marquee from advancing.
    [[nodiscard]] bool ScrollHalted() const { return FScrollHalted; }
    /// The thread that advances the marquee: made suspended with the control, started by the
    /// first switch to scroll mode.
    [[nodiscard]] const TDelayTimer* DelayTimer() const { return FDelayTimer.get(); }
    /// The thread that flips the blink phase: made and started as the delay timer is.
    [[nodiscard]] const TBlinkTimer* BlinkTimer() const { return FBlinkTimer.get(); }
    /// Figures of the column stream and its memory, for tools and diagnostics.
    [[nodiscard]] TMatrixDiagnostics Diagnostics() const;

protected:
    /** @{ */
    /// The host's handlers, for a derived control that adds to them.
    void KeyDown(host::Word& Key, host::TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void Click() override;
    void DoEnter() override;
    void DoExit() override;
    void WndProc(host::TMessage& Message) override;
    void Notification(host::TComponent* AComponent, host::TOperation Operation) override;
    /** @} */

private:
    friend struct detail::TMatrixAccess;

    // The steps below assume the state the public operations keep (a live character list, a
    // cursor inside the window, a back buffer of the control's size, a stream whose cells they
    // were given); called in another state they may break it or crash. The project's own tests,
    // benchmarks and tools reach them through detail::TMatrixAccess.

    // ---- Glyphs --------------------------------------------------------------------------
    // Writes the 100 built-in glyphs; other codes keep theirs.
    void InitCharset();

    // ---- Character list ------------------------------------------------------------------
    Node* CreateNode(host::Byte Character);
    void InitPointers();
    void ClearPointerArea();
    void InsertElement(host::Byte Character);
    void RemoveElement(Node* N);
    void CheckAndSetCursor();

    // ---- Keyboard and focus --------------------------------------------------------------
    void GetSpecialKey(int Key);
    void GetCharKey(char Key);
    void ExitComp(int Key);

    // ---- LED raster ----------------------------------------------------------------------
    // The primitives clip: nothing outside the back buffer is ever written.
    void SPutpixel24bitmap(int X, int Y, host::TColor Color);
    void SPutRect24bitmap(int X, int Y, int Size, host::TColor Color);
    void SPutCirc24bitmap(int X, int Y, int Radius, host::TColor Color);
    void CalculateShape();
    void SetupDisplay();
    void ClearDisplay();

    // ---- Static frame --------------------------------------------------------------------
    void ClearSegments(int First, int Last);
    void WriteText();
    void MakeCursor(bool Show);
    // The window slot under which the cursor bar stands: -1 when there is none (scroll mode,
    // or the cursor outside the window).
    [[nodiscard]] int CursorBarSlot() const;
    void HideCursor() { MakeCursor(false); }
    void ShowCursor() { MakeCursor(true); }
    void TotalRedraw(bool Resize, bool Clear);

    // ---- Column stream -------------------------------------------------------------------
    void InitScroll();
    _Pixel* CreatePixelP(host::Byte Value);
    void DeletePixelP(_Pixel* Cell);
    void RekClearPixelPointers(_Pixel* Cell);
    void RekClearPixelPointersUpwards(_Pixel* Cell);
    void AttachPixelPointers(_Pixel*& Head);
    void AttachAlfaCode(int Code, int Value);
    [[nodiscard]] static bool CheckAlfaAndAttachSimple(const host::AnsiString& S);
    [[nodiscard]] static bool CheckAlfaStr(const host::AnsiString& S);
    void CheckAlfaAndAttachExtended(const host::AnsiString& S);
    void ClearPixelPointers();

    // ---- Scroll frame --------------------------------------------------------------------
    void TotalScrollRedraw(bool Recalc, bool Clear);
    void WriteScrollText();
    void GoToNextPixel(_Pixel*& Head) const;
    void GoToNextNoActionPixel(_Pixel*& Head) const;
    void GoToPastPixel(_Pixel*& Head) const;
    void RunAlfaCode(_Pixel* Head);
    [[nodiscard]] static bool IsCharInString(char Ch, const host::AnsiString& S);
    [[nodiscard]] bool OnlyOnePixelDataLeft(_Pixel* Code, _Pixel* Left) const;
    void RunAlfaState(_Pixel* Code, _Pixel* Left, bool& Steady, host::TColor& BlinkOff, host::TColor& On,
                      host::TColor& Off);

    // ---- Worker threads ------------------------------------------------------------------
    void StartScroll();
    void ScrollOnce();
    void BlinkOnce();  // the blink toggle: phase flipped, both refresh flags, Paint
    void ShiftBlinkState() { FBlinkState = !FBlinkState; }
    void SleepVDelay() const;
    void SleepVBlinkDelay() const;

    // ---- Renderer ------------------------------------------------------------------------
    // The frames (TotalRedraw, TotalScrollRedraw, MakeCursor) are drawn by the fast renderer
    // unless the literal one is chosen here: every LED through the primitives in the order the
    // frame operations give, each LED drawn unlit first. The literal renderer is the reference
    // the fast one is tested against, pixel for pixel. Default: fast.
    void UseLiteralRenderer(bool Literal) { FLiteralRenderer = Literal; }
    [[nodiscard]] bool LiteralRenderer() const { return FLiteralRenderer; }

    void WMEraseBkgnd(host::TMessage& Message);
    void WMGetDlgCode(host::TMessage& Message);
    void WMNextDlgCtl(host::TMessage& Message);
    // Repainting setter endings: FTotalRefresh true, FMiniRefresh false, Paint (geometry: also
    // FGeometryChanged true).
    void Refresh();
    void GeometryRefresh();
    // The frame of every cursor move and every edit at the cursor. BeginMove erases the cursor
    // bar at the cursor's slot and clears FTotalRefresh. EndMove lets a window of no slots follow
    // the cursor, draws the bar at the cursor's new slot, redraws the whole static frame when
    // FullRedraw is true, and copies the back buffer to the screen once.
    void BeginMove();
    void EndMove(bool FullRedraw);
    // A window of no slots has no place for the cursor: its start is the cursor (F = P).
    void KeepEmptyWindowAtCursor();
    // The window at the start of the text (F = 0), or the end window (the end position in the
    // last slot, F = L - T + 1, reached by walking T - 1 nodes back from the sentinel).
    void ShowStartWindow();
    void ShowEndWindow();
    // Calls OnPropertyChange, if set.
    void Changed(std::string_view Property);
    // The start of every frame: with Resize, size the control and the back buffer and clear
    // them; else with Clear, clear them; then draw every LED of the window unlit.
    // Resize: new geometry, new back buffer, cleared; else Clear: cleared; else nothing.
    void ReshapeOrClear(bool Resize, bool Clear);
    void PrepareFrame(bool Resize, bool Clear);
    // Draws one LED of the grid (column, row) in the current shape.
    void PutLED(int Column, int Row, host::TColor Color);

    // The literal frames (render.cpp, scroll/frame.cpp): every LED through the primitives.
    void LiteralTotalRedraw(bool Resize, bool Clear);
    void LiteralTotalScrollRedraw(bool Recalc, bool Clear);
    void LiteralMakeCursor(bool Show);

    // Fast renderer (fastframe.cpp). A frame decides the colour of every LED first (the frame
    // scratch's Ink: an index into its Palette per LED, row by row) and then hands the grid to
    // the LED painter, which writes each pixel row once. Whether it draws a frame is decided in
    // frames.cpp, by FastRendererApplies.
    [[nodiscard]] bool FastRendererApplies() const;
    // The LED geometry in the painter's terms.
    [[nodiscard]] led::TGeometry LEDGeometry() const;
    void FastTotalRedraw(bool Resize, bool Clear);
    void FastTotalScrollRedraw(bool Recalc, bool Clear);
    void FastMakeCursor(bool Show);
    // FFrameSerial counts the frames begun, so that a frame can tell whether its letter codes
    // drew a nested frame.
    void BeginFrame() {
        ++FFrameSerial;
        FBufferUniform = false;
    }
    // The LED columns whose box starts inside the back buffer.
    [[nodiscard]] int VisibleLEDColumns() const;
    // Paints the LEDs of rows FirstRow.. FirstRow+Rows-1 and columns FirstColumn..
    // FirstColumn+Columns-1 from the frame scratch's Ink (Columns entries a row; KeepInk: left
    // as it is).
    void PaintLEDGrid(int FirstRow, int Rows, int FirstColumn, int Columns);
    static constexpr std::uint16_t KeepInk = 0xFFFF;
    // The index of Colour in the frame scratch's Palette, added if missing.
    std::uint16_t PaletteIndex(host::TColor Colour);

    // Scroll frame pieces shared by both renderers (frame.cpp). The walks go along the stream's
    // heads through a cursor: by the links (THeadLinks, any stream) or by place in FHeadIndex
    // (THeadPlaces, which reads no cell of an LED column).
    class THeadLinks;
    class THeadPlaces;
    void RunLetterCodes(_Pixel* Left, int Width);
    template <typename THeads>
    void RunLetterCodesAlong(THeads Heads, int Width);
    // Left's place in FHeadIndex, when the index holds it.
    [[nodiscard]] std::optional<int> PlaceOf(const _Pixel* Left);
    // False only when the letter-code pass from the head at Place is sure to meet no letter
    // code, read from FHeadIndex without a walk.
    [[nodiscard]] bool LetterCodesWithinReach(int Place, int Width) const;
    // Counts a column head (its cell in the pool) appended to the stream; Kind as
    // THeadIndex::Kinds holds it (stream.cpp).
    void IndexHead(TPixelLink Head, std::uint8_t Kind);
    // Walks the window's W LED columns from the cursor's head (the left edge, Left), executing
    // digit codes; calls Column(screen column, cursor, lit colour, unlit colour) for every LED
    // column. A digit code commits by OnlyOnePixelDataLeft when WalkBackToCommit is set (the
    // literal frame), else by the LED columns the walk has counted since it last stood on Left
    // (same answer, without a walk back per code).
    template <typename THeads, typename TColumnFn>
    void WalkScrollWindow(THeads Heads, _Pixel* Left, int Width, bool WalkBackToCommit, TColumnFn&& Column);
    // RunAlfaState with the commit decided by the caller (Commit: whether a code "0" to "3"
    // makes its effect permanent).
    void ApplyDigitCode(const _Pixel* Code, bool Commit, bool& Steady, host::TColor& BlinkOff, host::TColor& On,
                        host::TColor& Off);

    // The six LED columns of a character, appended to the stream in one run of cells.
    void AttachCharacterColumns(host::Byte Character);
    // Links a column (head Right) after another (head Left), row by row.
    void LinkRows(TPixelLink Left, TPixelLink Right);

    // Lifecycle and refresh
    bool FCreating = false;
    bool FDestroying = false;
    bool FTotalRefresh = false;
    bool FMiniRefresh = false;
    bool FGeometryChanged = false;

    // Rendering
    std::unique_ptr<host::TBitmap> FBitmap;
    std::array<host::Byte, 256 * 5> FCharTable{};
    host::TColor FOnColor = 0;
    host::TColor FOffColor = 0;

    // Fields behind the published properties
    host::TColor FActiveLEDOnColor = 0;
    host::TColor FActiveLEDOffColor = 0;
    host::TColor FBackgroundColor = 0;
    host::TColor FInactiveLEDOnColor = 0;
    host::TColor FInactiveLEDOffColor = 0;
    host::TColor FBlinkOffColor = 0;
    EShape FLEDShape = EShape::Square;
    host::Byte FLEDSize = 0;
    host::Byte FLEDDistance = 0;
    host::Byte FStepToOutside = 0;
    host::Byte FTotalVisible = 0;
    bool FActiveLED = false;
    bool FStepActive = false;
    bool FOverwrite = false;
    bool FScroll = false;
    std::atomic<std::int32_t> FDelay{0};       // read by the delay thread
    std::atomic<std::int32_t> FBlinkDelay{0};  // read by the blink thread
    TCharSet* FCharset = nullptr;

    // Character list
    std::int32_t FCursorPos = 0;
    std::int32_t FFirstVisible = 0;
    std::int32_t FTextLength = 0;
    Node* FFirstNode = nullptr;
    Node* FCursorNode = nullptr;
    Node* FVisibleNode = nullptr;
    Node* FEndNode = nullptr;

    // Scroll stream and marquee
    _Pixel* FStreamHead = nullptr;
    _Pixel* FStreamTail = nullptr;
    _Pixel* FScrollPos = nullptr;
    host::TColor FScrollOnColor = 0;
    host::TColor FScrollOffColor = 0;
    host::TColor FScrollBlinkOffColor = 0;
    bool FBlinkState = false;
    bool FBlinking = false;
    bool FScrollHalted = false;
    std::unique_ptr<TDelayTimer> FDelayTimer;
    std::unique_ptr<TBlinkTimer> FBlinkTimer;
    TSlabPool<_Pixel> FPixelPool;  // every cell of the stream
    // The stream's heads by their place in it (0: FStreamHead), kept as columns are appended and
    // emptied with the stream: each head and its kind (an LED column of a character: its lit
    // rows as bits, row 0 lowest; or one of the kinds below), how many are codes, the places
    // of the letter codes in ascending order, and the place of the last left edge looked up.
    // Without a letter code the letter-code pass of a frame has nothing to do and is skipped. A
    // column's kind is fixed when it is attached.
    struct THeadIndex {
        static constexpr std::uint8_t OtherColumn = 0x80;  // an LED column whose cells are read
        static constexpr std::uint8_t DigitCode = 0x81;
        static constexpr std::uint8_t LetterCode = 0x82;
        std::vector<TPixelLink> Heads;  // the heads' cells in the pool
        std::vector<std::uint8_t> Kinds;
        int Codes = 0;
        std::vector<int> Letters;
        int KnownPlace = 0;
        // Empties the index; its memory is kept for the next stream.
        void Clear() {
            Heads.clear();
            Kinds.clear();
            Letters.clear();
            Codes = 0;
            KnownPlace = 0;
        }
    };
    THeadIndex FHeadIndex;

    // Renderer state
    bool FLiteralRenderer = false;
    unsigned FFrameSerial = 0;
    // A fast frame's working memory: each LED's colour as an index into the palette, the
    // palette, and the pixel patterns of the LEDs being painted. A frame fills it and paints
    // from it with no other frame in between (a nested frame runs before), so the controls of a
    // thread share one, which stays in the cache where many marquees each fetch their own.
    struct TFrameScratch {
        std::vector<std::uint16_t> Ink;
        std::vector<host::TColor> Palette;
        std::vector<std::uint8_t> Bytes;
    };
    [[nodiscard]] static TFrameScratch& FrameScratch();
    // Every pixel of the back buffer holds the same colour: set when this frame's ClearDisplay
    // filled the whole buffer, cleared when a frame begins and by the next PaintLEDGrid, so it
    // never outlives the frame in which nothing else wrote the buffer.
    bool FBufferUniform = false;
    // The LED grid (geometry, back-buffer size, block of LEDs) whose box rows are known to hold
    // the same bytes as the box rows the painter copies them from: set by PaintLEDGrid when the
    // painter reports it, dropped by every other write into the back buffer. A scroll step paints
    // the same grid as the step before, so its rows are not compared again.
    struct TMatchedGrid {
        int Size = 0;
        int Distance = 0;
        int Shape = 0;
        int Width = 0;
        int Height = 0;
        int FirstRow = 0;
        int Rows = 0;
        int FirstColumn = 0;
        int Columns = 0;
        bool operator==(const TMatchedGrid&) const = default;
    };
    std::optional<TMatchedGrid> FMatchedGrid;
    // The last grid PaintLEDGrid painted (block, colours of its LEDs, palette) and the back
    // buffer's stamp right after: painting an equal grid onto a buffer whose stamp is unchanged
    // would write the bytes it holds, so that frame is not painted again (a blink toggle while
    // no blinking LED is in view; a scroll step over blank columns). Stamp 0: none.
    struct TPaintedGrid {
        TMatchedGrid Block;
        std::vector<std::uint16_t> Ink;
        std::vector<host::TColor> Palette;
        std::uint64_t Stamp = 0;
        bool RowsMatch = false;
    };
    TPaintedGrid FLastPainted;
    // The pixels of the LEDs of Block whose colour the frame's grid changes, from LED From on.
    [[nodiscard]] host::TRect ChangedLEDBoxes(const TMatchedGrid& Block, std::size_t From) const;
};

}  // namespace vyr
