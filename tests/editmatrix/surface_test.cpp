// The public surface of TEditMatrix, checked at compile time: the steps that assume a state only
// the control itself keeps (list primitives, stream cells, raster and frame parts, the set-up
// steps) cannot be called from outside, while the operations a program drives can. Each concept
// is checked both ways: false for TEditMatrix, true for TMatrixProbe, which opens the protected
// steps, so a misspelt requirement cannot pass unnoticed.
#include <gtest/gtest.h>

#include <array>
#include <concepts>
#include <cstdint>

#include "support/test_support.h"

namespace vyr::test {
namespace {

// ---- Character list ----------------------------------------------------------------------------
template <typename M>
concept CanCreateNode = requires(M& m) {
    m.CreateNode(Byte{65});
};
template <typename M>
concept CanInitPointers = requires(M& m) {
    m.InitPointers();
};
template <typename M>
concept CanClearPointerArea = requires(M& m) {
    m.ClearPointerArea();
};
template <typename M>
concept CanInsertElement = requires(M& m) {
    m.InsertElement(Byte{65});
};
template <typename M>
concept CanRemoveElement = requires(M& m, Node* n) {
    m.RemoveElement(n);
};
template <typename M>
concept CanCheckAndSetCursor = requires(M& m) {
    m.CheckAndSetCursor();
};

template <typename M>
constexpr bool AnyListPrimitive = CanCreateNode<M> || CanInitPointers<M> || CanClearPointerArea<M> ||
                                  CanInsertElement<M> || CanRemoveElement<M> || CanCheckAndSetCursor<M>;
template <typename M>
constexpr bool AllListPrimitives = CanCreateNode<M>&& CanInitPointers<M>&& CanClearPointerArea<M>&&
    CanInsertElement<M>&& CanRemoveElement<M>&& CanCheckAndSetCursor<M>;

static_assert(!AnyListPrimitive<TEditMatrix>, "a list primitive is public");
static_assert(AllListPrimitives<TMatrixProbe>);

// ---- Column stream and its navigation ----------------------------------------------------------
template <typename M>
concept CanCreatePixelP = requires(M& m) {
    m.CreatePixelP(Byte{1});
};
template <typename M>
concept CanDeletePixelP = requires(M& m, _Pixel* p) {
    m.DeletePixelP(p);
};
template <typename M>
concept CanRekClearPixelPointers = requires(M& m, _Pixel* p) {
    m.RekClearPixelPointers(p);
};
template <typename M>
concept CanRekClearPixelPointersUpwards = requires(M& m, _Pixel* p) {
    m.RekClearPixelPointersUpwards(p);
};
template <typename M>
concept CanAttachPixelPointers = requires(M& m, _Pixel*& p) {
    m.AttachPixelPointers(p);
};
template <typename M>
concept CanAttachAlfaCode = requires(M& m) {
    m.AttachAlfaCode(67, 255);
};
template <typename M>
concept CanCheckAlfaAndAttachSimple = requires(M& m, const AnsiString& s) {
    m.CheckAlfaAndAttachSimple(s);
};
template <typename M>
concept CanCheckAlfaStr = requires(M& m, const AnsiString& s) {
    m.CheckAlfaStr(s);
};
template <typename M>
concept CanCheckAlfaAndAttachExtended = requires(M& m, const AnsiString& s) {
    m.CheckAlfaAndAttachExtended(s);
};
template <typename M>
concept CanClearPixelPointers = requires(M& m) {
    m.ClearPixelPointers();
};
template <typename M>
concept CanGoToNextPixel = requires(M& m, _Pixel*& p) {
    m.GoToNextPixel(p);
};
template <typename M>
concept CanGoToNextNoActionPixel = requires(M& m, _Pixel*& p) {
    m.GoToNextNoActionPixel(p);
};
template <typename M>
concept CanGoToPastPixel = requires(M& m, _Pixel*& p) {
    m.GoToPastPixel(p);
};
template <typename M>
concept CanRunAlfaCode = requires(M& m, _Pixel* p) {
    m.RunAlfaCode(p);
};
template <typename M>
concept CanRunAlfaState = requires(M& m, _Pixel* p, bool& b, TColor& c) {
    m.RunAlfaState(p, p, b, c, c, c);
};
template <typename M>
concept CanOnlyOnePixelDataLeft = requires(M& m, _Pixel* p) {
    m.OnlyOnePixelDataLeft(p, p);
};

template <typename M>
constexpr bool AnyStreamStep =
    CanCreatePixelP<M> || CanDeletePixelP<M> || CanRekClearPixelPointers<M> || CanRekClearPixelPointersUpwards<M> ||
    CanAttachPixelPointers<M> || CanAttachAlfaCode<M> || CanCheckAlfaAndAttachSimple<M> || CanCheckAlfaStr<M> ||
    CanCheckAlfaAndAttachExtended<M> || CanClearPixelPointers<M> || CanGoToNextPixel<M> ||
    CanGoToNextNoActionPixel<M> || CanGoToPastPixel<M> || CanRunAlfaCode<M> || CanRunAlfaState<M> ||
    CanOnlyOnePixelDataLeft<M>;
template <typename M>
constexpr bool AllStreamSteps = CanCreatePixelP<M>&& CanDeletePixelP<M>&& CanRekClearPixelPointers<M>&&
    CanRekClearPixelPointersUpwards<M>&& CanAttachPixelPointers<M>&& CanAttachAlfaCode<M>&&
        CanCheckAlfaAndAttachSimple<M>&& CanCheckAlfaStr<M>&& CanCheckAlfaAndAttachExtended<M>&&
            CanClearPixelPointers<M>&& CanGoToNextPixel<M>&& CanGoToNextNoActionPixel<M>&& CanGoToPastPixel<M>&&
                CanRunAlfaCode<M>&& CanRunAlfaState<M>&& CanOnlyOnePixelDataLeft<M>;

static_assert(!AnyStreamStep<TEditMatrix>, "a stream step is public");
static_assert(AllStreamSteps<TMatrixProbe>);

// ---- Raster primitives and frame parts ---------------------------------------------------------
template <typename M>
concept CanSPutpixel24bitmap = requires(M& m) {
    m.SPutpixel24bitmap(0, 0, TColor{0});
};
template <typename M>
concept CanSPutRect24bitmap = requires(M& m) {
    m.SPutRect24bitmap(0, 0, 1, TColor{0});
};
template <typename M>
concept CanSPutCirc24bitmap = requires(M& m) {
    m.SPutCirc24bitmap(0, 0, 1, TColor{0});
};
template <typename M>
concept CanCalculateShape = requires(M& m) {
    m.CalculateShape();
};
template <typename M>
concept CanSetupDisplay = requires(M& m) {
    m.SetupDisplay();
};
template <typename M>
concept CanClearDisplay = requires(M& m) {
    m.ClearDisplay();
};
template <typename M>
concept CanClearSegments = requires(M& m) {
    m.ClearSegments(0, 0);
};
template <typename M>
concept CanWriteText = requires(M& m) {
    m.WriteText();
};
template <typename M>
concept CanMakeCursor = requires(M& m) {
    m.MakeCursor(true);
};
template <typename M>
concept CanHideCursor = requires(M& m) {
    m.HideCursor();
};
template <typename M>
concept CanShowCursor = requires(M& m) {
    m.ShowCursor();
};
template <typename M>
concept CanTotalRedraw = requires(M& m) {
    m.TotalRedraw(false, false);
};
template <typename M>
concept CanTotalScrollRedraw = requires(M& m) {
    m.TotalScrollRedraw(false, false);
};
template <typename M>
concept CanWriteScrollText = requires(M& m) {
    m.WriteScrollText();
};

template <typename M>
constexpr bool AnyRasterOrFramePart =
    CanSPutpixel24bitmap<M> || CanSPutRect24bitmap<M> || CanSPutCirc24bitmap<M> || CanCalculateShape<M> ||
    CanSetupDisplay<M> || CanClearDisplay<M> || CanClearSegments<M> || CanWriteText<M> || CanMakeCursor<M> ||
    CanHideCursor<M> || CanShowCursor<M> || CanTotalRedraw<M> || CanTotalScrollRedraw<M> || CanWriteScrollText<M>;
template <typename M>
constexpr bool AllRasterAndFrameParts =
    CanSPutpixel24bitmap<M>&& CanSPutRect24bitmap<M>&& CanSPutCirc24bitmap<M>&& CanCalculateShape<M>&&
        CanSetupDisplay<M>&& CanClearDisplay<M>&& CanClearSegments<M>&& CanWriteText<M>&& CanMakeCursor<M>&&
            CanHideCursor<M>&& CanShowCursor<M>&& CanTotalRedraw<M>&& CanTotalScrollRedraw<M>&& CanWriteScrollText<M>;

static_assert(!AnyRasterOrFramePart<TEditMatrix>, "a raster primitive or frame part is public");
static_assert(AllRasterAndFrameParts<TMatrixProbe>);

// ---- Set-up, scroll and key-table internals ----------------------------------------------------
template <typename M>
concept CanInitCharset = requires(M& m) {
    m.InitCharset();
};
template <typename M>
concept CanInitScroll = requires(M& m) {
    m.InitScroll();
};
template <typename M>
concept CanStartScroll = requires(M& m) {
    m.StartScroll();
};
template <typename M>
concept CanScrollOnce = requires(M& m) {
    m.ScrollOnce();
};
template <typename M>
concept CanGetSpecialKey = requires(M& m) {
    m.GetSpecialKey(37);
};
template <typename M>
concept CanGetCharKey = requires(M& m) {
    m.GetCharKey('a');
};
template <typename M>
concept CanExitComp = requires(M& m) {
    m.ExitComp(38);
};

template <typename M>
constexpr bool AnyInitOrScrollStep = CanInitCharset<M> || CanInitScroll<M> || CanStartScroll<M> || CanScrollOnce<M> ||
                                     CanGetSpecialKey<M> || CanGetCharKey<M> || CanExitComp<M>;
template <typename M>
constexpr bool AllInitAndScrollSteps = CanInitCharset<M>&& CanInitScroll<M>&& CanStartScroll<M>&& CanScrollOnce<M>&&
    CanGetSpecialKey<M>&& CanGetCharKey<M>&& CanExitComp<M>;

static_assert(!AnyInitOrScrollStep<TEditMatrix>, "a set-up or scroll step is public");
static_assert(AllInitAndScrollSteps<TMatrixProbe>);

// ---- What stays public -------------------------------------------------------------------------
template <typename M>
concept HasPublicShell = requires(M& m) {
    m.Paint();
    m.SetTotalRefresh();
    m.SetMiniRefresh();
    m.RedrawDisplay();
};
template <typename M>
concept HasExternalInterface = requires(M& m, const M& c, const std::array<Byte, 5>& g) {
    { c.GetCharColumn(Byte{65}, Byte{0}) } -> std::same_as<Byte>;
    m.SetCharColumn(Byte{65}, Byte{0}, Byte{0});
    m.ChangeChar(Byte{65}, g);
    m.InsertCharacter('a');
    { M::UpcaseDK('a') } -> std::same_as<char>;
    m.StopScroll();
};
template <typename M>
concept HasTimerSteps = requires(M& m) {
    m.TryToScrollOnce();
    m.TryToBlink();
    m.DelayTimerOnTimer(nullptr);
    m.BlinkOnTimer(nullptr);
};
template <typename M>
concept HasMovesAndEdits = requires(M& m) {
    m.GoRight();
    m.GoLeft();
    m.GoHome();
    m.GoEnd();
    m.GoPageUp();
    m.GoPageDown();
    m.InsertChar(Byte{65});
    m.DeleteChar();
    m.BackSpaceChar();
};
template <typename M>
concept HasPublishedProperties = requires(M& m, const M& c) {
    m.FSetScroll(true);
    m.FSetDelay(0);
    m.FSetBlinkOffColor(TColor{0});
    m.FSetBlinkDelay(0);
    m.FSetActiveLED(true);
    m.FSetActiveLEDOnColor(TColor{0});
    m.FSetActiveLEDOffColor(TColor{0});
    m.FSetBackgroundColor(TColor{0});
    m.FSetCharSet(nullptr);
    m.FSetInactiveLEDOnColor(TColor{0});
    m.FSetInactiveLEDOffColor(TColor{0});
    m.FSetLEDShape(EShape::Circle);
    m.FSetLEDSize(Byte{3});
    m.FSetLEDDistance(Byte{1});
    m.FSetStepActive(true);
    m.FSetStep(Byte{1});
    m.FSetText(AnsiString{});
    m.FSetTotalVisible(Byte{10});
    m.FSetOverwrite(true);
    c.Scroll();
    c.Text();
    c.FReadText();
    c.TotalVisible();
};
// Read-only views: callable on a const matrix and handing out nothing writable.
template <typename M>
concept HasReadOnlyViews = requires(const M& c) {
    { c.CursorPos() } -> std::same_as<std::int32_t>;
    { c.FirstVisible() } -> std::same_as<std::int32_t>;
    { c.TextLength() } -> std::same_as<std::int32_t>;
    { c.FirstNode() } -> std::same_as<const Node*>;
    { c.CursorNode() } -> std::same_as<const Node*>;
    { c.VisibleNode() } -> std::same_as<const Node*>;
    { c.EndNode() } -> std::same_as<const Node*>;
    { c.StreamHead() } -> std::same_as<const _Pixel*>;
    { c.StreamTail() } -> std::same_as<const _Pixel*>;
    { c.ScrollPos() } -> std::same_as<const _Pixel*>;
    { c.Bitmap() } -> std::same_as<const host::TBitmap*>;
    { c.DelayTimer() } -> std::same_as<const TDelayTimer*>;
    { c.BlinkTimer() } -> std::same_as<const TBlinkTimer*>;
};

static_assert(HasPublicShell<TEditMatrix>);
static_assert(HasExternalInterface<TEditMatrix>);
static_assert(HasTimerSteps<TEditMatrix>);
static_assert(HasMovesAndEdits<TEditMatrix>);
static_assert(HasPublishedProperties<TEditMatrix>);
static_assert(HasReadOnlyViews<TEditMatrix>);

// The sequence that used to reach freed nodes now has no public first step; what a program can
// do instead leaves a sound list.
TEST(MatrixSurface, ClearingTheListIsNotAPublicStepAndMovingOnAnEmptyTextIsHarmless) {
    static_assert(!CanClearPointerArea<TEditMatrix>);
    TFormWithMatrix F;
    TEditMatrix& M = *F.Matrix;
    M.FSetText("");
    M.GoLeft();
    M.GoRight();
    M.BackSpaceChar();
    M.DeleteChar();
    EXPECT_EQ(M.TextLength(), 0);
    EXPECT_EQ(M.FirstNode(), M.EndNode());
    EXPECT_EQ(M.CursorNode(), M.EndNode());
    EXPECT_EQ(M.VisibleNode(), M.EndNode());
}

}  // namespace
}  // namespace vyr::test
