// The private steps of TEditMatrix, reached from outside the class by the helpers of its
// implementation (the static frame for glyph edits, the stream's cell allocation for the
// column builder) and by the project's own tests, benchmarks and tools, which include this
// header from the source tree. It is not installed: a program
// built against the installed headers sees only the public operations. GUI thread only.
#pragma once

#include "vyr/EditMatrix.h"

namespace vyr::detail {

struct TMatrixAccess {
    static void TotalRedraw(TEditMatrix& M, bool Resize, bool Clear) { M.TotalRedraw(Resize, Clear); }
    static _Pixel* CreatePixelP(TEditMatrix& M, host::Byte Value) { return M.CreatePixelP(Value); }
    static void DeletePixelP(TEditMatrix& M, _Pixel* Cell) { M.DeletePixelP(Cell); }
    static void UseLiteralRenderer(TEditMatrix& M, bool Literal) { M.UseLiteralRenderer(Literal); }
    static bool LiteralRenderer(const TEditMatrix& M) { return M.LiteralRenderer(); }
    static const TSlabPool<_Pixel>& PixelPool(const TEditMatrix& M) { return M.PixelPool(); }
    // The back buffer, writable from outside the control: what the control knew of its rows is
    // dropped, as after a write of its own.
    static host::TBitmap& WritableBackBuffer(TEditMatrix& M) {
        M.FMatchedGrid.reset();
        return *M.FBitmap;
    }
    // The next frame is painted in full even when it equals the last one: what a benchmark of
    // painting repeats.
    static void ForgetLastFrame(TEditMatrix& M) { M.FLastPainted.Stamp = 0; }

    // A TEditMatrix with every step open, as the base of the matrices that tests and benchmarks
    // drive step by step.
    class TOpenMatrix : public TEditMatrix {
    public:
        using TEditMatrix::TEditMatrix;

        // Host handlers
        using TEditMatrix::Click;
        using TEditMatrix::DoEnter;
        using TEditMatrix::DoExit;
        using TEditMatrix::KeyDown;
        using TEditMatrix::KeyPress;
        using TEditMatrix::Notification;
        using TEditMatrix::WndProc;
        // Glyphs
        using TEditMatrix::InitCharset;
        // Character list
        using TEditMatrix::CheckAndSetCursor;
        using TEditMatrix::ClearPointerArea;
        using TEditMatrix::CreateNode;
        using TEditMatrix::InitPointers;
        using TEditMatrix::InsertElement;
        using TEditMatrix::RemoveElement;
        // Keyboard
        using TEditMatrix::ExitComp;
        using TEditMatrix::GetCharKey;
        using TEditMatrix::GetSpecialKey;
        // LED raster and static frame
        using TEditMatrix::CalculateShape;
        using TEditMatrix::ClearDisplay;
        using TEditMatrix::ClearSegments;
        using TEditMatrix::HideCursor;
        using TEditMatrix::MakeCursor;
        using TEditMatrix::SetupDisplay;
        using TEditMatrix::ShowCursor;
        using TEditMatrix::SPutCirc24bitmap;
        using TEditMatrix::SPutpixel24bitmap;
        using TEditMatrix::SPutRect24bitmap;
        using TEditMatrix::TotalRedraw;
        using TEditMatrix::WriteText;
        // Column stream
        using TEditMatrix::AttachAlfaCode;
        using TEditMatrix::AttachPixelPointers;
        using TEditMatrix::CheckAlfaAndAttachExtended;
        using TEditMatrix::CheckAlfaAndAttachSimple;
        using TEditMatrix::CheckAlfaStr;
        using TEditMatrix::ClearPixelPointers;
        using TEditMatrix::CreatePixelP;
        using TEditMatrix::DeletePixelP;
        using TEditMatrix::InitScroll;
        using TEditMatrix::PixelPool;
        using TEditMatrix::RekClearPixelPointers;
        using TEditMatrix::RekClearPixelPointersUpwards;
        // Scroll frame
        using TEditMatrix::GoToNextNoActionPixel;
        using TEditMatrix::GoToNextPixel;
        using TEditMatrix::GoToPastPixel;
        using TEditMatrix::IsCharInString;
        using TEditMatrix::OnlyOnePixelDataLeft;
        using TEditMatrix::RunAlfaCode;
        using TEditMatrix::RunAlfaState;
        using TEditMatrix::TotalScrollRedraw;
        using TEditMatrix::WriteScrollText;
        // Worker threads
        using TEditMatrix::ScrollOnce;
        using TEditMatrix::ShiftBlinkState;
        using TEditMatrix::SleepVBlinkDelay;
        using TEditMatrix::SleepVDelay;
        using TEditMatrix::StartScroll;
        // Renderer
        using TEditMatrix::LiteralRenderer;
        using TEditMatrix::UseLiteralRenderer;
    };
};

}  // namespace vyr::detail
