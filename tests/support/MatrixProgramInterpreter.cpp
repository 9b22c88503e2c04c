// The interpreter of operation programs (TProgramRunner) with its invariant checks, and the
// runs side by side on the literal and the fast renderer.
#include <algorithm>
#include <cstring>
#include <limits>
#include <sstream>
#include <string_view>

#include "support/MatrixProgram.h"
#include "vyr/host/Types.h"

namespace vyr::test {

// ---- The runner ------------------------------------------------------------------------------

TProgramRunner::TProgramRunner(const TProgramLayout& Layout, const TMatrixFactory& Make) {
    FForm = std::make_unique<host::TForm>(nullptr, FWidgetSet);
    FForm->SetWidth(64);
    FForm->SetHeight(32);
    FForm->Show();
    FMatrix = Make ? Make(FForm.get()) : new TProgramMatrix(FForm.get());
    FMatrix->SetParent(FForm.get());
    if (Layout.PlainChild) {
        // A control without a window: the focus walk's checked conversion fails on it.
        auto* Plain = new host::TControl(FForm.get());
        Plain->SetParent(FForm.get());
    }
    for (int i = 0; i < std::clamp(Layout.Siblings, 0, 3); ++i) {
        auto* Sibling = new host::TCustomControl(FForm.get());
        Sibling->SetTabStop(true);
        Sibling->SetWidth(20);
        Sibling->SetHeight(20);
        Sibling->SetParent(FForm.get());
        FSiblings.push_back(Sibling);
    }
    // Exceptions from handlers are expected in one case (the focus walk over a plain child);
    // keep them off standard error. Step() reads what was reported.
    host::Application().OnException = [](const std::exception&) {};
    host::Application().ClearLastException();
}

TProgramRunner::~TProgramRunner() {
    FForm.reset();
    host::Application().OnException = nullptr;
    host::Application().ClearLastException();
}

headless::TCountingPeer* TProgramRunner::Peer() const { return headless::TCountingPeer::Of(*FMatrix); }

void TProgramRunner::Step(const TOp& Op) {
    TProgramMatrix& M = *FMatrix;
    FStepFailure.clear();
    host::Application().ClearLastException();
    const auto Fail = [this](const std::string& What) {
        if (FStepFailure.empty()) FStepFailure = What;
    };

    switch (Op.Kind) {
        case TOpKind::SetText:
            M.FSetText(Op.Bytes);
            break;
        case TOpKind::SetProperty: {
            const std::uint32_t V = Op.Value;
            if (Op.Flag) {
                // Through the property table, as the form storage sets it.
                const host::TPropInfo* Info = M.FindProperty(NameOf(Op.Property));
                if (Info == nullptr) {
                    Fail("no property " + std::string(NameOf(Op.Property)));
                    break;
                }
                host::TPropValue Value;
                if (KindOf(Op.Property) == TValueKind::Bool) {
                    Value = V != 0;
                } else if (KindOf(Op.Property) == TValueKind::Integer) {
                    Value = std::int64_t{AsInt(V)};
                } else {
                    Value = std::int64_t{V};
                }
                try {
                    Info->Set(M, Value);
                } catch (const std::exception& E) {
                    Fail(std::string("the property table refused a value of the type: ") + E.what());
                }
                break;
            }
            switch (Op.Property) {
                case TProgramProperty::Scroll:
                    M.FSetScroll(V != 0);
                    break;
                case TProgramProperty::Delay:
                    M.FSetDelay(AsInt(V));
                    break;
                case TProgramProperty::BlinkOffColor:
                    M.FSetBlinkOffColor(V);
                    break;
                case TProgramProperty::BlinkDelay:
                    M.FSetBlinkDelay(AsInt(V));
                    break;
                case TProgramProperty::ActiveLED:
                    M.FSetActiveLED(V != 0);
                    break;
                case TProgramProperty::ActiveLEDOnColor:
                    M.FSetActiveLEDOnColor(V);
                    break;
                case TProgramProperty::ActiveLEDOffColor:
                    M.FSetActiveLEDOffColor(V);
                    break;
                case TProgramProperty::BackgroundColor:
                    M.FSetBackgroundColor(V);
                    break;
                case TProgramProperty::InactiveLEDOnColor:
                    M.FSetInactiveLEDOnColor(V);
                    break;
                case TProgramProperty::InactiveLEDOffColor:
                    M.FSetInactiveLEDOffColor(V);
                    break;
                case TProgramProperty::LEDShape:
                    M.FSetLEDShape(V != 0 ? EShape::Circle : EShape::Square);
                    break;
                case TProgramProperty::LEDSize:
                    M.FSetLEDSize(static_cast<Byte>(V));
                    break;
                case TProgramProperty::LEDDistance:
                    M.FSetLEDDistance(static_cast<Byte>(V));
                    break;
                case TProgramProperty::StepActive:
                    M.FSetStepActive(V != 0);
                    break;
                case TProgramProperty::StepToOutside:
                    M.FSetStep(static_cast<Byte>(V));
                    break;
                case TProgramProperty::TabOrder:
                    M.SetTabOrder(AsInt(V));
                    break;
                case TProgramProperty::TabStop:
                    M.SetTabStop(V != 0);
                    break;
                case TProgramProperty::TotalVisible:
                    M.FSetTotalVisible(static_cast<Byte>(V));
                    break;
                case TProgramProperty::Overwrite:
                    M.FSetOverwrite(V != 0);
                    break;
            }
            break;
        }
        case TOpKind::KeyDown:
            host::SendKeyDown(M, static_cast<Word>(Op.Value), host::TShiftState{Op.Arg} & 7U);
            break;
        case TOpKind::KeyPress:
            host::SendKeyPress(M, static_cast<char>(Op.Arg));
            break;
        case TOpKind::Focus:
            switch (Op.Arg % 6) {
                case 0:
                    M.SetFocus();
                    break;
                case 1:
                    if (!FSiblings.empty()) FSiblings[Op.Value % FSiblings.size()]->SetFocus();
                    break;
                case 2:
                    FForm->FocusControl(nullptr);
                    break;
                case 3:
                    host::SendClick(M);
                    break;
                default:
                    FForm->SelectNext(Op.Arg % 6 == 4);
                    break;
            }
            break;
        case TOpKind::ScrollStep:
            for (int i = 0; i < Op.Count; ++i) {
                if (Op.Flag) {
                    M.DelayTimerOnTimer(nullptr);
                } else {
                    M.TryToScrollOnce();
                }
            }
            break;
        case TOpKind::BlinkStep:
            for (int i = 0; i < Op.Count; ++i) {
                if (Op.Flag) {
                    M.BlinkOnTimer(nullptr);
                } else {
                    M.TryToBlink();
                }
            }
            break;
        case TOpKind::SetCharColumn: {
            const auto Value = static_cast<Byte>(Op.Value);
            const auto Before = M.CharTable();
            M.SetCharColumn(Op.Arg, Op.Arg2, Value);
            if (Op.Arg2 < 5 && M.GetCharColumn(Op.Arg, Op.Arg2) != Value) Fail("SetCharColumn did not store");
            if (Op.Arg2 >= 5 && M.CharTable() != Before) Fail("SetCharColumn past column 4 changed the table");
            if (M.GetCharColumn(Op.Arg, static_cast<Byte>(5 + Op.Arg2 % 251)) != 255) {
                Fail("GetCharColumn past column 4 is not 255");
            }
            break;
        }
        case TOpKind::ChangeChar:
            M.ChangeChar(Op.Arg, Op.Glyph);
            for (Byte k = 0; k < 5; ++k) {
                if (M.GetCharColumn(Op.Arg, k) != Op.Glyph[k]) Fail("ChangeChar did not store");
            }
            break;
        case TOpKind::InsertCharacter:
            M.InsertCharacter(static_cast<char>(Op.Arg));
            break;
        case TOpKind::Move:
            for (int i = 0; i < Op.Count; ++i) {
                const bool Marked = M.TotalRefresh();
                switch (Op.Arg % 6) {
                    case 0:
                        M.GoRight();
                        break;
                    case 1:
                        M.GoLeft();
                        break;
                    case 2:
                        M.GoHome();
                        break;
                    case 3:
                        M.GoEnd();
                        break;
                    case 4:
                        M.GoPageUp();
                        break;
                    default:
                        M.GoPageDown();
                        break;
                }
                if (M.TotalRefresh() && !Marked) Fail("a cursor move left the total-refresh flag set");
            }
            break;
        case TOpKind::Edit:
            for (int i = 0; i < Op.Count; ++i) {
                const bool Marked = M.TotalRefresh();
                switch (Op.Arg % 3) {
                    case 0:
                        M.InsertChar(Op.Arg2);
                        break;
                    case 1:
                        M.DeleteChar();
                        break;
                    default:
                        M.BackSpaceChar();
                        break;
                }
                if (M.TotalRefresh() && !Marked) Fail("an edit left the total-refresh flag set");
            }
            break;
        case TOpKind::Paint:
            switch (Op.Arg % 7) {
                case 0:
                    M.Paint();
                    break;
                case 1:
                    M.SetTotalRefresh();
                    M.Paint();
                    break;
                case 2:
                    M.SetMiniRefresh();
                    M.Paint();
                    break;
                case 3:
                    M.SetTotalRefresh();
                    M.SetMiniRefresh();
                    M.Paint();
                    break;
                case 4:
                    M.RedrawDisplay();
                    break;
                case 5:
                    host::SendPaint(M);
                    break;
                default:
                    FForm->PaintAll();
                    break;
            }
            break;
        case TOpKind::CharSet:
            switch (Op.Arg % 4) {
                case 0:
                    if (FCharSet == nullptr) FCharSet = new TCharSet(FForm.get());
                    M.FSetCharSet(FCharSet);
                    if (M.Charset() != FCharSet) Fail("Charset did not take the TCharSet");
                    break;
                case 1:
                    M.FSetCharSet(nullptr);
                    break;
                case 2:
                    delete FCharSet;  // the matrix is told and drops its reference
                    FCharSet = nullptr;
                    if (M.Charset() != nullptr) Fail("Charset still refers to a freed TCharSet");
                    break;
                default:
                    if (FCharSet != nullptr) {
                        const auto Before = M.CharTable();
                        FCharSet->SetCharcolumn(Op.Arg2, static_cast<Byte>(Op.Value & 0xFF), Op.Arg2);
                        if (FCharSet->GetCharColumn(Op.Arg2, 0) != 0) Fail("TCharSet holds a glyph");
                        if (M.CharTable() != Before) Fail("a TCharSet edit changed the matrix's glyphs");
                    }
                    break;
            }
            break;
        case TOpKind::Message: {
            static constexpr unsigned Messages[] = {host::WM_GETDLGCODE, host::WM_ERASEBKGND, host::WM_NEXTDLGCTL};
            host::TMessage Message{Messages[Op.Arg % 3], static_cast<std::intptr_t>(Op.Value), 0, 0};
            host::Application().Dispatch([&M, &Message] { M.Perform(Message); });
            if (Message.Msg == host::WM_GETDLGCODE && (Message.Result & host::DLGC_WANTARROWS) == 0) {
                Fail("WM_GETDLGCODE does not ask for the arrow keys");
            }
            break;
        }
        case TOpKind::Parent:
            M.SetParent(Op.Flag ? FForm.get() : nullptr);
            break;
        case TOpKind::StopScroll:
            M.StopScroll();
            break;
        case TOpKind::Frame:
            switch (Op.Arg % 7) {
                case 0:
                    M.TotalRedraw(false, false);
                    break;
                case 1:
                    M.TotalRedraw(false, true);
                    break;
                case 2:
                    M.TotalScrollRedraw(false, false);
                    break;
                case 3:
                    M.TotalScrollRedraw(false, true);
                    break;
                case 4:
                    M.HideCursor();
                    break;
                case 5:
                    M.ShowCursor();
                    break;
                default:
                    M.InitScroll();
                    break;
            }
            break;
        case TOpKind::Scribble:
            // A frame drawn without clearing must leave such pixels between its LEDs alone.
            if (M.Bitmap() != nullptr) {
                host::TCanvas& Canvas = detail::TMatrixAccess::WritableBackBuffer(M).Canvas();
                Canvas.Brush.Color = Op.Value;
                const int Left = 4 * Op.Box[0];
                const int Top = 4 * Op.Box[1];
                Canvas.FillRect(host::Rect(Left, Top, Left + 1 + 4 * Op.Box[2], Top + 1 + 4 * Op.Box[3]));
            }
            break;
        case TOpKind::HostSize:
            // The back buffer keeps its size until the next resizing frame.
            M.SetWidth(static_cast<int>(Op.Value & 0xFFFF));
            M.SetHeight(static_cast<int>(Op.Value >> 16));
            FHostSized = true;
            break;
        case TOpKind::UpcaseDK: {
            const auto In = Op.Arg;
            const auto Out = static_cast<Byte>(TEditMatrix::UpcaseDK(static_cast<char>(In)));
            Byte Want = In;
            if (In == 229) Want = 197;
            if (In == 230) Want = 198;
            if (In == 248) Want = 216;
            if (In >= 'a' && In <= 'z') Want = static_cast<Byte>(In - 32);
            if (Out != Want) Fail("UpcaseDK(" + std::to_string(In) + ") = " + std::to_string(Out));
            break;
        }
    }

    if (FHostSized && SizeProblem().empty()) FHostSized = false;

    const std::string& Reported = host::Application().LastExceptionMessage();
    if (!Reported.empty()) {
        const bool FocusWalkOverPlainChild = Reported == host::EInvalidCast().what() && M.Parent() != nullptr &&
                                             M.Parent()->ControlCount() > static_cast<int>(FSiblings.size()) + 1;
        if (!FocusWalkOverPlainChild) Fail("a handler raised: " + Reported);
    }
}

std::string TProgramRunner::Check() const {
    if (!FStepFailure.empty()) return FStepFailure;
    const TEditMatrix& M = *FMatrix;
    std::ostringstream Why;

    // 1. L text nodes, then the sentinel; PrevNode mirrors NextNode. The walk is bounded, so a
    //    broken list is reported, not followed for ever.
    const Node* First = M.FirstNode();
    const Node* End = M.EndNode();
    if (First == nullptr || End == nullptr) return "no character list";
    if (End->NextNode != nullptr || End->Character != 0) return "the sentinel is not a sentinel";
    const std::int32_t L = M.TextLength();
    const std::int32_t P = M.CursorPos();
    const std::int32_t F = M.FirstVisible();
    if (L < 0) return "negative text length";
    std::int32_t CursorIndex = -1;
    std::int32_t VisibleIndex = -1;
    std::int32_t Index = 0;
    const Node* Prev = nullptr;
    const Node* N = First;
    for (; N != nullptr && Index <= L; Prev = N, N = N->NextNode, ++Index) {
        if (N->PrevNode != Prev) {
            Why << "PrevNode does not mirror NextNode at index " << Index;
            return Why.str();
        }
        if (N == M.CursorNode()) CursorIndex = Index;
        if (N == M.VisibleNode()) VisibleIndex = Index;
        if (N == End) break;
    }
    if (N != End || Index != L) {
        Why << "the sentinel is not the node after " << L << " text nodes";
        return Why.str();
    }
    // 2. and 3. Both positions name the node of their index.
    if (P < 0 || P > L || CursorIndex != P) {
        Why << "the cursor node has index " << CursorIndex << ", P = " << P << ", L = " << L;
        return Why.str();
    }
    if (VisibleIndex != F) {
        Why << "the first visible node has index " << VisibleIndex << ", F = " << F;
        return Why.str();
    }
    // 4. The cursor inside the window; a window of no slots stands at the cursor.
    const int T = M.TotalVisible();
    if (T >= 1 && !(F <= P && P <= F + T - 1)) {
        Why << "the cursor is outside the window: P = " << P << ", F = " << F << ", T = " << T;
        return Why.str();
    }
    if (T == 0 && F != P) {
        Why << "a window of no slots is not at the cursor: P = " << P << ", F = " << F;
        return Why.str();
    }
    if (static_cast<std::int32_t>(M.Text().size()) != L) return "Text does not have L characters";

    if (M.Bitmap() == nullptr) return "no back buffer";
    if (std::string Size = SizeProblem(); !Size.empty() && !FHostSized) return Size;
    const std::int64_t S = M.LEDSize();
    if (M.LEDShape() == EShape::Circle && (S < 3 || S % 2 == 0)) return "a round LED of an even size or below 3";
    if (M.LEDSize() == 0) return "LED size 0";
    if (T >= 2 && (M.StepToOutside() < 1 || M.StepToOutside() > T / 2)) return "StepToOutside outside 1..T div 2";

    // The stream: empty, or heads from StreamHead to StreamTail with the scroll position on one.
    const _Pixel* Head = M.StreamHead();
    if (Head == nullptr) {
        if (M.StreamTail() != nullptr) return "an empty stream with a tail";
    } else {
        bool SawScrollPos = M.ScrollPos() == nullptr;
        const _Pixel* Last = nullptr;
        for (const _Pixel* H = Head; H != nullptr; Last = H, H = M.PixelPool().At(H->Next)) {
            if (M.PixelPool().At(H->Prev) != Last) return "stream heads are not linked both ways";
            if (H == M.ScrollPos()) SawScrollPos = true;
        }
        if (Last != M.StreamTail()) return "StreamTail is not the last head";
        if (!SawScrollPos) return "the scroll position is not a head of the stream";
    }
    return {};
}

// The control's size follows the geometry (as far as the host takes it), and the back buffer
// and the window have the control's size.
std::string TProgramRunner::SizeProblem() const {
    const TEditMatrix& M = *FMatrix;
    std::ostringstream Why;
    const std::int64_t S = M.LEDSize();
    const std::int64_t D = M.LEDDistance();
    const auto Clamp = [](std::int64_t V) { return static_cast<int>(std::min<std::int64_t>(V, host::MaxExtent)); };
    const int WantWidth = Clamp(D + (S + D) * 6 * M.TotalVisible());
    const int WantHeight = Clamp(D + (S + D) * (M.Scroll() ? 7 : 9));
    if (M.Width() != WantWidth || M.Height() != WantHeight) {
        Why << "the control is " << M.Width() << " x " << M.Height() << ", the geometry asks for " << WantWidth << " x "
            << WantHeight;
        return Why.str();
    }
    const host::TBitmap* B = M.Bitmap();
    if (B == nullptr || B->Width() != M.Width() || B->Height() != M.Height()) {
        Why << "the back buffer is " << (B ? B->Width() : -1) << " x " << (B ? B->Height() : -1) << ", the control "
            << M.Width() << " x " << M.Height();
        return Why.str();
    }
    if (const headless::THeadlessPeer* W = Peer()) {
        if (W->Surface().Width() != M.Width() || W->Surface().Height() != M.Height()) {
            return "the window does not have the control's size";
        }
    }
    return {};
}

std::string RunProgram(const TProgram& Program, const TAfterOp& After, const TMatrixFactory& Make) {
    TProgramRunner Runner(Program.Layout, Make);
    if (std::string Broken = Runner.Check(); !Broken.empty()) return "after construction: " + Broken;
    for (std::size_t i = 0; i < Program.Ops.size(); ++i) {
        const TOp& Op = Program.Ops[i];
        Runner.Step(Op);
        if (std::string Broken = Runner.Check(); !Broken.empty()) {
            return "op " + std::to_string(i) + " (" + Describe(Op) + "): " + Broken;
        }
        if (After && !After(i, Op, Runner)) break;
    }
    return {};
}

namespace {

// Empty when the pixels are equal, else their sizes or the first pixel that differs.
std::string CompareBitmaps(const host::TBitmap& A, const host::TBitmap& B) {
    std::ostringstream Why;
    if (A.Width() != B.Width() || A.Height() != B.Height()) {
        Why << "size " << A.Width() << "x" << A.Height() << " vs " << B.Width() << "x" << B.Height();
        return Why.str();
    }
    const auto Bytes = 3 * static_cast<std::size_t>(A.Width());
    if (Bytes == 0) return {};
    for (int y = 0; y < A.Height(); ++y) {
        if (std::memcmp(A.ScanLine(y), B.ScanLine(y), Bytes) == 0) continue;
        for (int x = 0; x < A.Width(); ++x) {
            if (A.Pixel(x, y) != B.Pixel(x, y)) {
                Why << "pixel (" << x << ", " << y << "): " << std::hex << A.Pixel(x, y) << " vs " << B.Pixel(x, y);
                return Why.str();
            }
        }
    }
    return {};
}

// The index of the scroll position among the stream's heads (-1: none).
int HeadIndex(const TEditMatrix& M) {
    int Index = 0;
    for (const _Pixel* Head = M.StreamHead(); Head != nullptr; Head = M.PixelPool().At(Head->Next), ++Index) {
        if (Head == M.ScrollPos()) return Index;
    }
    return -1;
}

}  // namespace

std::string CompareMatrices(const TProgramRunner& A, const TProgramRunner& B) {
    const TProgramMatrix& L = A.Matrix();
    const TProgramMatrix& F = B.Matrix();
    if ((L.Bitmap() == nullptr) != (F.Bitmap() == nullptr)) return "one back buffer is missing";
    if (L.Bitmap() != nullptr) {
        if (std::string Why = CompareBitmaps(*L.Bitmap(), *F.Bitmap()); !Why.empty()) return "back buffer: " + Why;
    }
    if ((A.Peer() == nullptr) != (B.Peer() == nullptr)) return "one window is missing";
    if (A.Peer() != nullptr) {
        if (std::string Why = CompareBitmaps(A.Peer()->Surface(), B.Peer()->Surface()); !Why.empty()) {
            return "window: " + Why;
        }
        if (A.Peer()->CopyCount() != B.Peer()->CopyCount()) return "copy counts differ";
        if (A.Peer()->FillCount() != B.Peer()->FillCount()) return "fill counts differ";
    }
    const auto Differ = [](const char* What, auto X, auto Y) {
        std::ostringstream Why;
        Why << What << " " << X << " vs " << Y;
        return Why.str();
    };
    if (L.Paints != F.Paints) return Differ("repaints", L.Paints, F.Paints);
    if (HeadIndex(L) != HeadIndex(F)) return Differ("scroll position", HeadIndex(L), HeadIndex(F));
    if (L.ScrollOnColor() != F.ScrollOnColor()) return Differ("scroll on colour", L.ScrollOnColor(), F.ScrollOnColor());
    if (L.ScrollOffColor() != F.ScrollOffColor()) {
        return Differ("scroll off colour", L.ScrollOffColor(), F.ScrollOffColor());
    }
    if (L.ScrollBlinkOffColor() != F.ScrollBlinkOffColor()) {
        return Differ("scroll blink-off colour", L.ScrollBlinkOffColor(), F.ScrollBlinkOffColor());
    }
    if (L.Blinking() != F.Blinking()) return Differ("blinking", L.Blinking(), F.Blinking());
    if (L.ScrollHalted() != F.ScrollHalted()) return Differ("halted", L.ScrollHalted(), F.ScrollHalted());
    if (L.TotalRefresh() != F.TotalRefresh()) return Differ("total refresh", L.TotalRefresh(), F.TotalRefresh());
    if (L.MiniRefresh() != F.MiniRefresh()) return Differ("mini refresh", L.MiniRefresh(), F.MiniRefresh());
    return {};
}

std::string RunOnBothRenderers(const TProgram& Program, const TAfterOp& After) {
    const auto Make = [](bool Literal) {
        return [Literal](host::TComponent* Owner) {
            auto* M = new TProgramMatrix(Owner);
            M->UseLiteralRenderer(Literal);
            return M;
        };
    };
    TProgramRunner Literal(Program.Layout, Make(true));
    TProgramRunner Fast(Program.Layout, Make(false));
    const auto Verify = [&Literal, &Fast]() -> std::string {
        if (std::string Broken = Literal.Check(); !Broken.empty()) return "literal renderer: " + Broken;
        if (std::string Broken = Fast.Check(); !Broken.empty()) return "fast renderer: " + Broken;
        if (std::string Why = CompareMatrices(Literal, Fast); !Why.empty()) return "literal vs fast: " + Why;
        return {};
    };
    if (std::string Broken = Verify(); !Broken.empty()) return "after construction: " + Broken;
    for (std::size_t i = 0; i < Program.Ops.size(); ++i) {
        const TOp& Op = Program.Ops[i];
        Literal.Step(Op);
        Fast.Step(Op);
        if (std::string Broken = Verify(); !Broken.empty()) {
            return "op " + std::to_string(i) + " (" + Describe(Op) + "): " + Broken;
        }
        if (After && !After(i, Op, Fast)) break;
    }
    return {};
}

}  // namespace vyr::test
