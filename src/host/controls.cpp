#include <algorithm>
#include <iostream>

#include "vyr/host/Backend.h"
#include "vyr/host/Controls.h"

namespace vyr::host {

namespace {

template <class T>
void EraseOne(std::vector<T*>& List, T* Item) {
    auto It = std::find(List.begin(), List.end(), Item);
    if (It != List.end()) {
        List.erase(It);
    }
}

// True when Control is Ancestor or lies below it in the parent chain.
bool IsWithin(const TControl* Control, const TWinControl* Ancestor) {
    for (const TControl* C = Control; C != nullptr; C = C->Parent()) {
        if (C == Ancestor) {
            return true;
        }
    }
    return false;
}

// The tab stops below Parent, depth first in tab order.
void CollectTabStops(const TWinControl& Parent, std::vector<TWinControl*>& Out) {
    std::vector<TWinControl*> Children;
    for (int i = 0; i < Parent.ControlCount(); ++i) {
        if (auto* W = dynamic_cast<TWinControl*>(Parent.Controls(i))) {
            Children.push_back(W);
        }
    }
    std::stable_sort(Children.begin(), Children.end(),
                     [](const TWinControl* A, const TWinControl* B) { return A->TabOrder() < B->TabOrder(); });
    for (TWinControl* W : Children) {
        if (W->TabStop() && W->CanFocus()) {
            Out.push_back(W);
        }
        CollectTabStops(*W, Out);
    }
}

}  // namespace

// ---- TControl -------------------------------------------------------------------------------

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {}

TControl::~TControl() {
    if (FParent != nullptr) {
        FParent->RemoveControl(this);
        FParent = nullptr;
    }
}

void TControl::SetParent(TWinControl* AParent) {
    if (AParent == FParent) {
        return;
    }
    if (FParent != nullptr) {
        FParent->RemoveControl(this);
    }
    FParent = AParent;
    if (AParent != nullptr) {
        AParent->InsertControl(this);
    }
}

void TControl::SetWidth(int AWidth) {
    const int W = std::clamp(AWidth, 0, MaxExtent);
    if (W != FWidth) {
        FWidth = W;
        Resized();
    }
}

void TControl::SetHeight(int AHeight) {
    const int H = std::clamp(AHeight, 0, MaxExtent);
    if (H != FHeight) {
        FHeight = H;
        Resized();
    }
}

void TControl::Click() {
    if (OnClick) {
        OnClick(*this);
    }
}

// ---- TWinControl ----------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
    if (TForm* Form = ParentForm(); Form != nullptr && Form != this) {
        Form->ControlRemoved(this);
    }
    DestroyHandleTree();
    // The children stay alive (their owner frees them) but lose their parent.
    for (TControl* Child : FControls) {
        if (auto* W = dynamic_cast<TWinControl*>(Child)) {
            W->DestroyHandleTree();
        }
        Child->FParent = nullptr;
    }
    FControls.clear();
    FTabList.clear();
    if (Parent() != nullptr) {
        Parent()->RemoveControl(this);
        FParent = nullptr;
    }
}

const TPropList& TWinControl::Properties() const {
    static const TPropList List = [this] {
        TPropList L = TComponent::Properties();
        L.push_back(TPropInfo{
            .Name = "TabOrder",
            .Kind = TTypeKind::Integer,
            .TypeName = "TTabOrder",
            .Default = TPropValue(std::int64_t{-1}),
            .Min = -1,
            .Max = 32767,
            .EnumNames = {},
            .Getter = "TabOrder",
            .Setter = "SetTabOrder",
            .Get = [](const TComponent& C) -> TPropValue {
                return std::int64_t{static_cast<const TWinControl&>(C).TabOrder()};
            },
            .Set =
                [](TComponent& C, const TPropValue& V) {
                    static_cast<TWinControl&>(C).SetTabOrder(static_cast<int>(std::get<std::int64_t>(V)));
                },
        });
        L.push_back(TPropInfo{
            .Name = "TabStop",
            .Kind = TTypeKind::Boolean,
            .TypeName = "Boolean",
            .Default = TPropValue(false),
            .Min = 0,
            .Max = 1,
            .EnumNames = {},
            .Getter = "TabStop",
            .Setter = "SetTabStop",
            .Get = [](const TComponent& C) -> TPropValue { return static_cast<const TWinControl&>(C).TabStop(); },
            .Set = [](TComponent& C,
                      const TPropValue& V) { static_cast<TWinControl&>(C).SetTabStop(std::get<bool>(V)); },
        });
        return L;
    }();
    return List;
}

void TWinControl::SetParent(TWinControl* AParent) {
    if (AParent == Parent()) {
        return;
    }
    if (TForm* Form = ParentForm(); Form != nullptr && Form != this) {
        Form->ControlRemoved(this);
    }
    DestroyHandleTree();
    TControl::SetParent(AParent);
    if (AParent != nullptr && AParent->HandleAllocated()) {
        if (TForm* Form = ParentForm()) {
            CreateHandleTree(Form->WidgetSet());
        }
    }
}

void TWinControl::InsertControl(TControl* AControl) {
    FControls.push_back(AControl);
    if (auto* W = dynamic_cast<TWinControl*>(AControl)) {
        FTabList.push_back(W);
    }
}

void TWinControl::RemoveControl(TControl* AControl) {
    EraseOne(FControls, AControl);
    if (auto* W = dynamic_cast<TWinControl*>(AControl)) {
        EraseOne(FTabList, W);
    }
}

int TWinControl::TabOrder() const {
    if (Parent() == nullptr) {
        return -1;
    }
    const auto& List = Parent()->FTabList;
    const auto It = std::find(List.begin(), List.end(), this);
    return It == List.end() ? -1 : static_cast<int>(It - List.begin());
}

void TWinControl::SetTabOrder(int ATabOrder) {
    if (Parent() == nullptr) {
        return;
    }
    auto& List = Parent()->FTabList;
    EraseOne(List, this);
    // Out of range (including -1): the end of the order.
    const int Count = static_cast<int>(List.size());
    const int Position = (ATabOrder < 0 || ATabOrder > Count) ? Count : ATabOrder;
    List.insert(List.begin() + Position, this);
}

TForm* TWinControl::ParentForm() const {
    const TWinControl* C = this;
    while (C->Parent() != nullptr) {
        C = C->Parent();
    }
    return dynamic_cast<TForm*>(const_cast<TWinControl*>(C));
}

bool TWinControl::Focused() const {
    const TForm* Form = ParentForm();
    return Form != nullptr && Form->ActiveControl() == this;
}

bool TWinControl::CanFocus() const { return HandleAllocated(); }

void TWinControl::SetFocus() {
    TForm* Form = ParentForm();
    if (Form == nullptr || !CanFocus()) {
        return;
    }
    Form->FocusControl(this);
}

void TWinControl::Invalidate() {
    if (FPeer) {
        FPeer->Invalidate();
    }
}

void TWinControl::KeyDown(Word& Key, TShiftState Shift) {
    if (OnKeyDown) {
        OnKeyDown(*this, Key, Shift);
    }
}

void TWinControl::KeyPress(char& Key) {
    if (OnKeyPress) {
        OnKeyPress(*this, Key);
    }
}

void TWinControl::DoEnter() {
    if (OnEnter) {
        OnEnter(*this);
    }
}

void TWinControl::DoExit() {
    if (OnExit) {
        OnExit(*this);
    }
}

void TWinControl::WndProc(TMessage& Message) { DefaultHandler(Message); }

void TWinControl::DefaultHandler(TMessage& Message) {
    switch (Message.Msg) {
        case WM_GETDLGCODE:
            Message.Result = 0;
            break;
        case WM_ERASEBKGND:
            if (FPeer) {
                FPeer->FillRect(TRect{0, 0, Width(), Height()}, Color);
            }
            Message.Result = 1;
            break;
        case WM_NEXTDLGCTL:
            if (TForm* Form = ParentForm()) {
                Form->SelectNext(Message.WParam == 0);
            }
            Message.Result = 0;
            break;
        case WM_PAINT:
            PaintWindow();
            Message.Result = 0;
            break;
        default:
            break;
    }
}

void TWinControl::Resized() {
    if (FPeer) {
        FPeer->SetSize(Width(), Height());
    }
}

void TWinControl::CreateHandleTree(TWidgetSet& WidgetSet) {
    if (!FPeer) {
        FPeer = WidgetSet.CreatePeer(*this);
        FPeer->SetSize(Width(), Height());
        CreateWnd();
    }
    for (TControl* Child : FControls) {
        if (auto* W = dynamic_cast<TWinControl*>(Child)) {
            W->CreateHandleTree(WidgetSet);
        }
    }
}

void TWinControl::DestroyHandleTree() {
    for (TControl* Child : FControls) {
        if (auto* W = dynamic_cast<TWinControl*>(Child)) {
            W->DestroyHandleTree();
        }
    }
    if (FPeer) {
        // From ~TWinControl, derived classes are gone and the base DestroyWnd is the one meant.
        DestroyWnd();  // NOLINT(clang-analyzer-optin.cplusplus.VirtualCall)
        FPeer.reset();
    }
}

// ---- TCustomControl -------------------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {}

TCustomControl::~TCustomControl() { FCanvas.SetTarget(nullptr); }

void TCustomControl::CreateWnd() { FCanvas.SetTarget(Peer()); }

void TCustomControl::DestroyWnd() { FCanvas.SetTarget(nullptr); }

void TCustomControl::Paint() {
    FCanvas.Brush.Color = Color;
    FCanvas.FillRect(TRect{0, 0, Width(), Height()});
}

// ---- TForm ----------------------------------------------------------------------------------

TForm::TForm(TComponent* AOwner, TWidgetSet& WidgetSet) : TWinControl(AOwner), FWidgetSet(WidgetSet) {}

TForm::~TForm() { FActiveControl = nullptr; }

void TForm::Show() { CreateHandleTree(FWidgetSet); }

void TForm::FocusControl(TWinControl* Control) {
    if (Control == FActiveControl) {
        return;
    }
    if (Control != nullptr && (!IsWithin(Control, this) || !Control->CanFocus())) {
        return;
    }
    TWinControl* Old = FActiveControl;
    FActiveControl = Control;
    if (Old != nullptr) {
        if (Old->Peer() != nullptr) {
            Old->Peer()->FocusChanged(false);
        }
        Application().Dispatch([Old] { Old->DoExit(); });
    }
    // DoExit may have moved the focus on; enter only if Control still has it.
    if (Control != nullptr && FActiveControl == Control) {
        if (Control->Peer() != nullptr) {
            Control->Peer()->FocusChanged(true);
        }
        Application().Dispatch([Control] { Control->DoEnter(); });
    }
}

void TForm::SelectNext(bool GoForward) {
    std::vector<TWinControl*> Stops;
    CollectTabStops(*this, Stops);
    if (Stops.empty()) {
        return;
    }
    const auto It = std::find(Stops.begin(), Stops.end(), FActiveControl);
    const auto Count = static_cast<std::ptrdiff_t>(Stops.size());
    std::ptrdiff_t Index = 0;
    if (It == Stops.end()) {
        Index = GoForward ? 0 : Count - 1;
    } else {
        Index = ((It - Stops.begin()) + (GoForward ? 1 : Count - 1)) % Count;
    }
    FocusControl(Stops[static_cast<std::size_t>(Index)]);
}

void TForm::PaintAll() {
    std::vector<TWinControl*> Order{this};
    for (std::size_t i = 0; i < Order.size(); ++i) {
        for (int c = 0; c < Order[i]->ControlCount(); ++c) {
            if (auto* W = dynamic_cast<TWinControl*>(Order[i]->Controls(c))) {
                Order.push_back(W);
            }
        }
    }
    for (TWinControl* W : Order) {
        SendPaint(*W);
    }
}

void TForm::ControlRemoved(TWinControl* Control) {
    // The focused control (or the one containing it) is leaving: the focus goes to no control,
    // without handlers, since the control is being taken apart.
    if (FActiveControl != nullptr && IsWithin(FActiveControl, Control)) {
        FActiveControl = nullptr;
    }
}

// ---- Conversions, application, input -------------------------------------------------------

TWinControl& AsWinControl(TControl* Control) {
    auto* W = dynamic_cast<TWinControl*>(Control);
    if (W == nullptr) {
        throw EInvalidCast();
    }
    return *W;
}

void TApplication::HandleException(const std::exception& E) {
    FLastMessage = E.what();
    if (OnException) {
        OnException(E);
    } else {
        std::cerr << "Exception: " << E.what() << '\n';
    }
}

void TApplication::Dispatch(const std::function<void()>& Handler) {
    try {
        Handler();
    } catch (const std::exception& E) {
        HandleException(E);
    }
}

TApplication& Application() {
    static TApplication App;
    return App;
}

void SendKeyDown(TWinControl& Target, Word Key, TShiftState Shift) {
    Application().Dispatch([&Target, Key, Shift] {
        Word K = Key;
        Target.KeyDown(K, Shift);
    });
}

void SendKeyPress(TWinControl& Target, char Key) {
    Application().Dispatch([&Target, Key] {
        char K = Key;
        Target.KeyPress(K);
    });
}

void SendClick(TControl& Target) {
    Application().Dispatch([&Target] { Target.Click(); });
}

void SendPaint(TWinControl& Target) {
    Application().Dispatch([&Target] {
        TMessage Erase{WM_ERASEBKGND, 0, 0, 0};
        Target.Perform(Erase);
        TMessage Paint{WM_PAINT, 0, 0, 0};
        Target.Perform(Paint);
    });
}

}  // namespace vyr::host
