#include <algorithm>
#include <string>

#include "vyr/headless/Headless.h"
#include "vyr/host/Threads.h"

namespace vyr::headless {

THeadlessPeer::THeadlessPeer(THeadlessWidgetSet& WidgetSet, host::TWinControl& Control)
    : FWidgetSet(WidgetSet), FControl(Control) {
    FWidgetSet.FPeers.push_back(this);
}

THeadlessPeer::~THeadlessPeer() { std::erase(FWidgetSet.FPeers, this); }

void THeadlessPeer::SetSize(int Width, int Height) { FSurface.SetSize(Width, Height); }

void THeadlessPeer::FillRect(const host::TRect& Rect, host::TColor Color) {
    FSurface.Canvas().Brush.Color = Color;
    FSurface.Canvas().FillRect(Rect);
}

void THeadlessPeer::Draw(int X, int Y, const host::TBitmap& Source) { FSurface.Canvas().Draw(X, Y, Source); }

void THeadlessPeer::Invalidate() { FNeedsPaint = true; }

void THeadlessPeer::FocusChanged(bool Focused) { FHasFocus = Focused; }

THeadlessWidgetSet::THeadlessWidgetSet() = default;

THeadlessWidgetSet::~THeadlessWidgetSet() = default;

std::unique_ptr<host::TWindowPeer> THeadlessWidgetSet::CreatePeer(host::TWinControl& Control) {
    return std::make_unique<THeadlessPeer>(*this, Control);
}

THeadlessPeer* THeadlessWidgetSet::PeerOf(const host::TWinControl& Control) {
    return dynamic_cast<THeadlessPeer*>(Control.Peer());
}

void THeadlessWidgetSet::PaintInvalidated() {
    // A paint may invalidate or destroy windows: collect first, then check each is still there.
    std::vector<host::TWinControl*> ToPaint;
    for (THeadlessPeer* Peer : FPeers) {
        if (Peer->NeedsPaint()) {
            Peer->ClearNeedsPaint();
            ToPaint.push_back(&Peer->Control());
        }
    }
    for (host::TWinControl* Control : ToPaint) {
        const bool Alive = std::any_of(FPeers.begin(), FPeers.end(),
                                       [Control](const THeadlessPeer* P) { return &P->Control() == Control; });
        if (Alive) {
            host::SendPaint(*Control);
        }
    }
}

void THeadlessWidgetSet::ProcessMessages() {
    host::CheckSynchronize();
    PaintInvalidated();
}

void THeadlessWidgetSet::RunFor(std::chrono::milliseconds Duration) {
    using Clock = std::chrono::steady_clock;
    const auto Deadline = Clock::now() + Duration;
    FQuit.store(false);
    PaintInvalidated();
    while (!FQuit.load()) {
        const auto Now = Clock::now();
        if (Now >= Deadline) {
            break;
        }
        // Wait in short slices so that Quit() from another thread is seen promptly.
        const auto Remaining = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Now);
        host::CheckSynchronize(std::min(Remaining, std::chrono::milliseconds(20)) + std::chrono::milliseconds(0));
        PaintInvalidated();
    }
}

void THeadlessWidgetSet::Quit() { FQuit.store(true); }

std::unique_ptr<host::TForm> MakeShownForm(THeadlessWidgetSet& WidgetSet) {
    auto Form = std::make_unique<host::TForm>(nullptr, WidgetSet);
    Form->SetWidth(800);
    Form->SetHeight(600);
    Form->Show();
    return Form;
}

std::vector<host::TCustomControl*> AddPlainControls(host::TForm& Form, int Count, std::string_view NamePrefix) {
    std::vector<host::TCustomControl*> Controls;
    for (int i = 0; i < Count; ++i) {
        auto* Control = new host::TCustomControl(&Form);
        if (!NamePrefix.empty()) Control->SetName(std::string(NamePrefix) + std::to_string(i + 1));
        Control->SetTabStop(true);
        Control->SetWidth(20);
        Control->SetHeight(20);
        Control->SetParent(&Form);
        Controls.push_back(Control);
    }
    return Controls;
}

}  // namespace vyr::headless
