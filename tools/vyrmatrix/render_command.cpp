// `vyrmatrix render`: one matrix on a shown headless form, one paint by the host, then the
// actions in order. Nothing runs on a timer: worker-thread steps reach the control only during
// `--wait`, so the output is a function of the arguments.
#include <cstdio>
#include <iostream>

#include "arguments.h"
#include "commands.h"
#include "font_options.h"
#include "form_storage_hook.h"
#include "image_io.h"
#include "json_state.h"
#include "session.h"
#include "term_print.h"

namespace vyr::cli {

namespace {

// Keys whose key-down a keyboard follows with the key-press of the same character.
bool KeyAlsoTypes(std::uint16_t Key) { return Key == 8 || Key == 9 || Key == 13 || Key == 27; }

void SaveImage(const TSession& Session, const TAction& Action) {
    const TRgbImage Image = ImageFromBitmap(Session.Peer().Surface());
    try {
        if (Action.Format == TImageFormat::Ppm) {
            WritePpm(Action.Path, Image);
        } else {
            WritePng(Action.Path, Image);
        }
    } catch (const TImageError& E) {
        throw TRunError(std::string("--save: ") + E.what());
    }
}

// A state line or picture that did not reach standard output (a full disk, a closed file) ends
// the run as a failure: a script reading the output must not take the run for a success.
void CheckStandardOutput(const char* Action) {
    if (!std::cout) throw TRunError(std::string(Action) + ": cannot write to standard output");
}

void Run(TSession& Session, const TAction& Action, const TFontOptions& Fonts) {
    TEditMatrix& Matrix = Session.Matrix();
    switch (Action.Kind) {
        case TActionKind::Set:
            Session.Apply(Action.Assignment);
            break;
        case TActionKind::Key:
            host::SendKeyDown(Matrix, Action.Key, 0);
            if (KeyAlsoTypes(Action.Key)) host::SendKeyPress(Matrix, static_cast<char>(Action.Key));
            break;
        case TActionKind::Type:
            for (const char Ch : Action.Text) host::SendKeyPress(Matrix, Ch);
            break;
        case TActionKind::Focus:
            host::Application().Dispatch([&] { Matrix.SetFocus(); });
            break;
        case TActionKind::Blur:
            if (Matrix.Focused()) Session.Form().FocusControl(nullptr);
            break;
        case TActionKind::Click:
            host::SendClick(Matrix);
            break;
        case TActionKind::Step:
            for (std::int64_t i = 0; i < Action.Count; ++i) Matrix.TryToScrollOnce();
            break;
        case TActionKind::Blink:
            for (std::int64_t i = 0; i < Action.Count; ++i) Matrix.TryToBlink();
            break;
        case TActionKind::Paint:
            host::SendPaint(Matrix);
            break;
        case TActionKind::Glyph:
            Matrix.ChangeChar(Action.Code, Action.Glyph);
            break;
        case TActionKind::Column:
            Matrix.SetCharColumn(Action.Code, Action.Column, Action.ColumnValue);
            break;
        case TActionKind::Wait:
            Session.WidgetSet().RunFor(std::chrono::milliseconds(Action.Count));
            break;
        case TActionKind::Save:
            SaveImage(Session, Action);
            break;
        case TActionKind::Print:
            std::cout << HalfBlockPicture(ImageFromBitmap(Session.Peer().Surface())) << std::flush;
            CheckStandardOutput("--print");
            break;
        case TActionKind::State:
            std::cout << StateJson(Matrix, Session.Form(), Fonts.PageGiven ? &Fonts.Page : nullptr) << '\n'
                      << std::flush;
            CheckStandardOutput("--state");
            break;
    }
}

}  // namespace

int RunRenderCommand(const std::vector<std::string>& Args) {
    TRenderPlan Plan;
    TFontOptions Fonts;
    try {
        std::vector<std::string> Rest = Args;
        Fonts = TakeFontOptions(Rest, TArgumentStyle::Render);
        Plan = ParseRenderArguments(Rest);
        if (Plan.Help) {
            std::cout << CommandUsage("render");
            return ExitOk;
        }
        CheckFormStorageOptions(Plan.LoadForm, Plan.SaveForm);
    } catch (const TBadArgument& E) {
        ReportError("render", E.what());
        return ExitBadArgument;
    }

    try {
        TSession Session(Plan.Siblings);
        if (Plan.LoadForm) {
            try {
                LoadForm(Session, *Plan.LoadForm);
            } catch (const TBadArgument& E) {
                ReportError("render", E.what());
                return ExitBadArgument;
            }
        }
        ApplyFontOptions(Fonts, Session.Matrix());
        Session.PaintOnce();
        for (const auto& Action : Plan.Actions) Run(Session, Action, Fonts);
        if (Plan.SaveForm) SaveForm(Session, *Plan.SaveForm);
    } catch (const TRunError& E) {
        ReportError("render", E.what());
        return ExitFailure;
    }
    return ExitOk;
}

}  // namespace vyr::cli
