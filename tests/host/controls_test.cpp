#include <gtest/gtest.h>

#include <string>

#include "vyr/headless/Headless.h"
#include "vyr/host/Controls.h"

using namespace vyr::host;
using vyr::headless::THeadlessWidgetSet;

namespace {

struct TFormFixture : ::testing::Test {
    THeadlessWidgetSet WidgetSet;
    TForm Form{nullptr, WidgetSet};
    std::string Log;

    TCustomControl* AddControl(const std::string& Name) {
        auto* C = new TCustomControl(&Form);
        C->SetName(Name);
        C->SetTabStop(true);
        C->SetParent(&Form);
        C->OnEnter = [this](TWinControl& W) { Log += "enter " + W.Name() + ";"; };
        C->OnExit = [this](TWinControl& W) { Log += "exit " + W.Name() + ";"; };
        return C;
    }
};

}  // namespace

TEST_F(TFormFixture, AControlHasAWindowOnlyOnAShownForm) {
    auto* A = AddControl("a");
    EXPECT_FALSE(A->HandleAllocated());
    Form.Show();
    EXPECT_TRUE(A->HandleAllocated());
    auto* Late = AddControl("late");
    EXPECT_TRUE(Late->HandleAllocated());
    Late->SetParent(nullptr);
    EXPECT_FALSE(Late->HandleAllocated());
    TCustomControl Orphan(nullptr);
    EXPECT_FALSE(Orphan.HandleAllocated());
    EXPECT_EQ(Orphan.TabOrder(), -1);
}

TEST_F(TFormFixture, WindowFollowsTheControlSize) {
    Form.Show();
    auto* A = AddControl("a");
    A->SetWidth(181);
    A->SetHeight(28);
    const auto* Peer = THeadlessWidgetSet::PeerOf(*A);
    ASSERT_NE(Peer, nullptr);
    EXPECT_EQ(Peer->Surface().Width(), 181);
    EXPECT_EQ(Peer->Surface().Height(), 28);
    A->SetWidth(MaxExtent + 100);
    EXPECT_EQ(A->Width(), MaxExtent);
}

TEST_F(TFormFixture, TabOrderNumbersWindowChildrenAndMovesOnRequest) {
    auto* A = AddControl("a");
    auto* B = AddControl("b");
    auto* C = AddControl("c");
    new TControl(&Form);  // a plain control takes no tab position
    Form.Controls(0)->SetParent(&Form);
    EXPECT_EQ(A->TabOrder(), 0);
    EXPECT_EQ(B->TabOrder(), 1);
    EXPECT_EQ(C->TabOrder(), 2);
    C->SetTabOrder(0);
    EXPECT_EQ(C->TabOrder(), 0);
    EXPECT_EQ(A->TabOrder(), 1);
    EXPECT_EQ(B->TabOrder(), 2);
    A->SetTabOrder(99);
    EXPECT_EQ(A->TabOrder(), 2);
    EXPECT_EQ(B->TabOrder(), 1);
    delete B;
    EXPECT_EQ(C->TabOrder(), 0);
    EXPECT_EQ(A->TabOrder(), 1);
}

TEST_F(TFormFixture, FocusChangeRunsExitThenEnterOnlyWhenItChanges) {
    auto* A = AddControl("a");
    auto* B = AddControl("b");
    A->SetFocus();
    EXPECT_TRUE(Log.empty()) << "no window yet, no focus";
    Form.Show();
    A->SetFocus();
    A->SetFocus();
    B->SetFocus();
    Form.FocusControl(nullptr);
    Form.FocusControl(nullptr);
    EXPECT_EQ(Log, "enter a;exit a;enter b;exit b;");
    EXPECT_FALSE(A->Focused());
    EXPECT_EQ(Form.ActiveControl(), nullptr);
}

TEST_F(TFormFixture, DestroyingTheFocusedControlLeavesNoFocusBehind) {
    Form.Show();
    auto* A = AddControl("a");
    A->SetFocus();
    delete A;
    EXPECT_EQ(Form.ActiveControl(), nullptr);
}

TEST_F(TFormFixture, NextDialogControlMessageWalksTabStopsWithWrapping) {
    Form.Show();
    auto* A = AddControl("a");
    auto* B = AddControl("b");
    A->SetFocus();
    TMessage Next{WM_NEXTDLGCTL, 0, 0, 0};
    A->Perform(Next);
    EXPECT_TRUE(B->Focused());
    B->Perform(Next);
    EXPECT_TRUE(A->Focused());
    TMessage Previous{WM_NEXTDLGCTL, 1, 0, 0};
    A->Perform(Previous);
    EXPECT_TRUE(B->Focused());
}

TEST_F(TFormFixture, ExceptionsFromHandlersAreReportedNotPropagated) {
    Form.Show();
    auto* A = AddControl("a");
    A->OnKeyDown = [](TWinControl&, Word&, TShiftState) { throw EInvalidCast(); };
    std::string Reported;
    Application().OnException = [&Reported](const std::exception& E) { Reported = E.what(); };
    SendKeyDown(*A, vk::Up);
    Application().OnException = nullptr;
    EXPECT_EQ(Reported, "Invalid class typecast");
    EXPECT_EQ(Application().LastExceptionMessage(), "Invalid class typecast");
}

TEST(Conversion, CheckedConversionToWindowControl) {
    TCustomControl Window(nullptr);
    TControl Plain(nullptr);
    EXPECT_EQ(&AsWinControl(&Window), &Window);
    EXPECT_THROW(AsWinControl(&Plain), EInvalidCast);
    EXPECT_THROW(AsWinControl(nullptr), EInvalidCast);
}

TEST_F(TFormFixture, DefaultPaintFillsAndInvalidatedWindowsRepaintWhenPumped) {
    Form.Show();
    auto* A = AddControl("a");
    A->SetWidth(4);
    A->SetHeight(2);
    A->Color = 0x00FF00;
    auto* Peer = THeadlessWidgetSet::PeerOf(*A);
    A->Invalidate();
    EXPECT_EQ(Peer->Surface().Pixel(3, 1), 0U) << "nothing paints until the loop runs";
    WidgetSet.ProcessMessages();
    EXPECT_EQ(Peer->Surface().Pixel(3, 1), 0x00FF00U);
    EXPECT_FALSE(Peer->NeedsPaint());
}
