#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "text_fixture.h"

namespace vyr::test {
namespace {

namespace vk = host::vk;
using host::ssAlt;
using host::ssCtrl;
using host::ssShift;

// ---- The key table -------------------------------------------------------------------------

struct TKeyCase {
    const char* Name;
    Word Key;
    std::function<void(TEditMatrix&)> Direct;  // what the key must do
};

void PrintTo(const TKeyCase& C, std::ostream* Out) { *Out << C.Name; }

class KeyTable : public ::testing::TestWithParam<TKeyCase> {};

// A key, with or without Shift, Ctrl or Alt, does exactly what its operation does when called
// directly on a twin control in the same state.
TEST_P(KeyTable, KeyActsAsItsOperationWhateverTheShiftState) {
    const TKeyCase& C = GetParam();
    for (const host::TShiftState Shift : {0U, ssShift, ssCtrl, ssAlt, ssShift | ssCtrl}) {
        TFormWithMatrix ByKey;
        TFormWithMatrix Direct;
        Prepare(*ByKey.Matrix, 10, Letters(25), 12, 5);
        Prepare(*Direct.Matrix, 10, Letters(25), 12, 5);
        host::SendKeyDown(*ByKey.Matrix, C.Key, Shift);
        C.Direct(*Direct.Matrix);
        EXPECT_EQ(ByKey.Matrix->CursorPos(), Direct.Matrix->CursorPos()) << "shift " << Shift;
        EXPECT_EQ(ByKey.Matrix->FirstVisible(), Direct.Matrix->FirstVisible()) << "shift " << Shift;
        EXPECT_EQ(ByKey.Matrix->Text(), Direct.Matrix->Text()) << "shift " << Shift;
        EXPECT_EQ(ByKey.Matrix->Overwrite(), Direct.Matrix->Overwrite()) << "shift " << Shift;
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Text, KeyTable,
    ::testing::Values(
        TKeyCase{"Backspace", vk::Back, [](TEditMatrix& M) { M.BackSpaceChar(); }},
        TKeyCase{"PageUp", vk::Prior, [](TEditMatrix& M) { M.GoPageUp(); }},
        TKeyCase{"PageDown", vk::Next, [](TEditMatrix& M) { M.GoPageDown(); }},
        TKeyCase{"End", vk::End, [](TEditMatrix& M) { M.GoEnd(); }},
        TKeyCase{"Home", vk::Home, [](TEditMatrix& M) { M.GoHome(); }},
        TKeyCase{"Left", vk::Left, [](TEditMatrix& M) { M.GoLeft(); }},
        TKeyCase{"Right", vk::Right, [](TEditMatrix& M) { M.GoRight(); }},
        TKeyCase{"Insert", vk::Insert, [](TEditMatrix& M) { M.FSetOverwrite(!M.Overwrite()); }},
        TKeyCase{"Delete", vk::Delete, [](TEditMatrix& M) { M.DeleteChar(); }},
        TKeyCase{"LetterKeyDoesNothing", 'A', [](TEditMatrix&) {}},
        TKeyCase{"TabDoesNothing", vk::Tab, [](TEditMatrix&) {}},
        TKeyCase{"ReturnDoesNothing", vk::Return, [](TEditMatrix&) {}},
        TKeyCase{"F1DoesNothing", 112, [](TEditMatrix&) {}}),
    [](const auto& Info) { return std::string(Info.param.Name); });
// clang-format on

TEST(Keyboard, InsertTogglesOverwriteWithoutRedrawing) {
    TFormWithMatrix Form;
    TEditMatrix& M = *Form.Matrix;
    Prepare(M, 10, "abcde", 2, 0);
    const TSnapshot Before(*M.Bitmap());
    Form.ResetCounters();
    host::SendKeyDown(M, vk::Insert);
    EXPECT_TRUE(M.Overwrite());
    EXPECT_EQ(Form.Peer().CopyCount(), 0);
    EXPECT_EQ(Form.Matrix->Paints, 0);
    EXPECT_TRUE(Before == TSnapshot(*M.Bitmap()));
    host::SendKeyPress(M, 'X');
    EXPECT_EQ(M.Text(), "abXde");
    host::SendKeyDown(M, vk::Insert);
    host::SendKeyPress(M, 'Y');
    EXPECT_EQ(M.Text(), "abXYde");
}

// The Backspace key arrives as a key-down and as a character 8; one press removes one character.
TEST(Keyboard, ControlCharactersAreNotTypedAndBackspaceRemovesOne) {
    TFormWithMatrix Form;
    TEditMatrix& M = *Form.Matrix;
    M.FSetText("abc");
    for (const char c : {'\b', '\t', '\r', '\n', '\x1b', '\0', '\x1f'}) host::SendKeyPress(M, c);
    EXPECT_EQ(M.Text(), "abc");
    host::SendKeyDown(M, vk::Back);
    host::SendKeyPress(M, '\b');
    EXPECT_EQ(M.Text(), "ab");
    host::SendKeyPress(M, ' ');
    host::SendKeyPress(M, static_cast<char>(200));
    host::SendKeyPress(M, static_cast<char>(255));
    EXPECT_EQ(M.Text(), std::string("ab ") + static_cast<char>(200) + static_cast<char>(255));
}

// The host's own handling runs after the control has acted, and sees the result.
TEST(Keyboard, InheritedHandlersRunAfterTheControlsOwnWork) {
    TFormWithMatrix Form(1);
    TEditMatrix& M = *Form.Matrix;
    M.FSetText("abc");
    std::vector<std::string> Seen;
    M.OnKeyDown = [&](host::TWinControl&, Word& Key, host::TShiftState) {
        Seen.push_back("down " + std::to_string(Key) + " P=" + std::to_string(M.CursorPos()));
    };
    M.OnKeyPress = [&](host::TWinControl&, char& Key) { Seen.push_back(std::string("press ") + Key + " " + M.Text()); };
    M.OnClick = [&](host::TControl&) { Seen.push_back(M.Focused() ? "click focused" : "click"); };
    M.OnEnter = [&](host::TWinControl&) { Seen.push_back(M.ActiveLED() ? "enter on" : "enter off"); };
    M.OnExit = [&](host::TWinControl&) { Seen.push_back(M.ActiveLED() ? "exit on" : "exit off"); };

    host::SendKeyDown(M, vk::Left);
    host::SendKeyPress(M, 'z');
    M.FSetActiveLED(false);
    host::SendClick(M);
    Form.Siblings[0]->SetFocus();
    EXPECT_EQ(Seen, (std::vector<std::string>{"down 37 P=2", "press z abzc", "enter on", "click focused", "exit off"}));
}

// ---- Focus and colours ---------------------------------------------------------------------

TEST(Focus, ClickFocusesAndFocusSwitchesTheColourPair) {
    TFormWithMatrix Form(1);
    TEditMatrix& M = *Form.Matrix;
    M.FSetText("abc");
    host::SendClick(M);
    EXPECT_TRUE(M.Focused());
    EXPECT_TRUE(M.ActiveLED());
    Form.Siblings[0]->SetFocus();
    EXPECT_FALSE(M.ActiveLED());
    EXPECT_EQ(M.OnColor(), M.InactiveLEDOnColor());
    host::SendClick(M);
    EXPECT_TRUE(M.ActiveLED());
    EXPECT_EQ(M.OnColor(), M.ActiveLEDOnColor());
}

TEST(Focus, ScrollModeLeavesColoursAloneAndIgnoresTyping) {
    TFormWithMatrix Form(1);
    TEditMatrix& M = *Form.Matrix;
    M.FSetText("abcdef");
    M.FSetScroll(true);
    host::SendClick(M);
    EXPECT_TRUE(M.Focused());
    Form.Siblings[0]->SetFocus();
    EXPECT_TRUE(M.ActiveLED());
    host::SendClick(M);

    host::SendKeyPress(M, 'x');
    EXPECT_EQ(M.Text(), "abcdef");
    host::SendKeyDown(M, vk::Back);
    host::SendKeyDown(M, vk::Home);
    host::SendKeyDown(M, vk::Delete);
    EXPECT_EQ(M.Text(), "bcde");
    host::SendKeyDown(M, vk::Insert);
    EXPECT_TRUE(M.Overwrite());
    M.InsertCharacter('x');  // applications can still type in scroll mode
    EXPECT_EQ(M.Text(), "xcde");
    host::SendKeyDown(M, vk::Down);
    EXPECT_TRUE(Form.Siblings[0]->Focused());
    EXPECT_TRUE(M.ActiveLED());
}

// ---- The focus walk ------------------------------------------------------------------------

struct TWalkCase {
    const char* Name;
    int Siblings;  // plain focusable controls after the matrix
    int TabOrder;  // the matrix's tab order
    Word Key;
    int Focused;                   // tab order of the control that has the focus afterwards
    int LastSiblingTabOrder = -1;  // moves the last child in tab order (-1: leave it last)
};

void PrintTo(const TWalkCase& C, std::ostream* Out) { *Out << C.Name; }

class FocusWalk : public ::testing::TestWithParam<TWalkCase> {};

TEST_P(FocusWalk, MovesToThePreviousOrNextTabOrderWrapping) {
    const TWalkCase& C = GetParam();
    TFormWithMatrix Form(C.Siblings);
    TEditMatrix& M = *Form.Matrix;
    M.SetTabOrder(C.TabOrder);
    if (C.LastSiblingTabOrder >= 0) Form.Siblings.back()->SetTabOrder(C.LastSiblingTabOrder);
    ASSERT_EQ(M.TabOrder(), C.TabOrder);
    M.SetFocus();
    int InheritedRuns = 0;
    M.OnKeyDown = [&](host::TWinControl&, Word&, host::TShiftState) { ++InheritedRuns; };

    host::SendKeyDown(M, C.Key);

    const host::TWinControl* Active = Form.Form->ActiveControl();
    ASSERT_NE(Active, nullptr);
    EXPECT_EQ(Active->TabOrder(), C.Focused);
    EXPECT_EQ(M.ActiveLED(), Active == &M);
    EXPECT_EQ(InheritedRuns, 1);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Text, FocusWalk,
    ::testing::Values(TWalkCase{"AloneUp", 0, 0, vk::Up, 0},
                      TWalkCase{"AloneDown", 0, 0, vk::Down, 0},
                      TWalkCase{"UpFromFirstWrapsToLast", 3, 0, vk::Up, 3},
                      TWalkCase{"DownFromLastWrapsToFirst", 3, 3, vk::Down, 0},
                      TWalkCase{"DownToNext", 3, 1, vk::Down, 2},
                      TWalkCase{"UpToPrevious", 3, 2, vk::Up, 1},
                      // The last child by index is not the last in tab order.
                      TWalkCase{"UpWrapsToLastTabOrder", 3, 0, vk::Up, 3, 1},
                      TWalkCase{"DownWrapsToFirstTabOrder", 3, 3, vk::Down, 0, 1},
                      TWalkCase{"TwoChildrenDown", 1, 0, vk::Down, 1},
                      TWalkCase{"TwoChildrenUp", 1, 1, vk::Up, 0}),
    [](const auto& Info) { return std::string(Info.param.Name); });
// clang-format on

// A child that is not a window control stops the walk with the host's invalid-conversion error
// when the walk reaches it: the dispatch reports it and the focus stays. A child after the
// wanted one is never reached.
TEST(FocusWalk, NonWindowChildIsReportedAndFocusStays) {
    std::string Reported;
    host::Application().ClearLastException();
    auto OldHandler = host::Application().OnException;
    host::Application().OnException = [&](const std::exception& E) { Reported = E.what(); };

    {
        TFormWithMatrix Form;
        auto* Plain = new host::TControl(Form.Form.get());
        Plain->SetParent(Form.Form.get());
        auto* After = new host::TCustomControl(Form.Form.get());
        After->SetParent(Form.Form.get());
        TEditMatrix& M = *Form.Matrix;
        M.SetFocus();

        host::SendKeyDown(M, vk::Down);  // wants tab order 1: the walk meets the plain child first
        EXPECT_EQ(Reported, "Invalid class typecast");
        EXPECT_EQ(host::Application().LastExceptionMessage(), "Invalid class typecast");
        EXPECT_EQ(Form.Form->ActiveControl(), &M);
        EXPECT_TRUE(M.ActiveLED());
    }
    {
        Reported.clear();
        TFormWithMatrix Form(1);
        auto* Plain = new host::TControl(Form.Form.get());
        Plain->SetParent(Form.Form.get());
        TEditMatrix& M = *Form.Matrix;
        M.SetFocus();

        host::SendKeyDown(M, vk::Down);  // the sibling with tab order 1 comes before the plain child
        EXPECT_EQ(Reported, "");
        EXPECT_EQ(Form.Form->ActiveControl(), Form.Siblings[0]);
    }
    host::Application().OnException = OldHandler;
    host::Application().ClearLastException();
}

// ---- Window messages -----------------------------------------------------------------------

TEST(Messages, EraseBackgroundDoesNothing) {
    TFormWithMatrix Form;
    TEditMatrix& M = *Form.Matrix;
    M.FSetText("abc");
    const TSnapshot Before(Form.Peer().Surface());
    Form.ResetCounters();
    host::TMessage Message{host::WM_ERASEBKGND, 0, 0, 0};
    M.Perform(Message);
    EXPECT_EQ(Form.Peer().FillCount(), 0);
    EXPECT_TRUE(Before == TSnapshot(Form.Peer().Surface()));
}

TEST(Messages, DialogCodeWantsArrows) {
    TFormWithMatrix Form;
    host::TMessage Message{host::WM_GETDLGCODE, 0, 0, 0};
    Form.Matrix->Perform(Message);
    EXPECT_EQ(Message.Result & host::DLGC_WANTARROWS, host::DLGC_WANTARROWS);
    EXPECT_EQ(Message.Result & ~host::DLGC_WANTARROWS, 0);  // nothing the default did not answer
}

TEST(Messages, NextDialogControlMovesTheFocusAsTheHostDoes) {
    TFormWithMatrix Form(2);
    for (auto* Sibling : Form.Siblings) Sibling->SetTabStop(true);
    Form.Matrix->SetFocus();
    host::TMessage Next{host::WM_NEXTDLGCTL, 0, 0, 0};
    Form.Matrix->Perform(Next);
    EXPECT_EQ(Form.Form->ActiveControl(), Form.Siblings[0]);
    Form.Matrix->SetFocus();
    host::TMessage Previous{host::WM_NEXTDLGCTL, 1, 0, 0};
    Form.Matrix->Perform(Previous);
    EXPECT_EQ(Form.Form->ActiveControl(), Form.Siblings[1]);
}

// ---- UpcaseDK ------------------------------------------------------------------------------

TEST(UpcaseDK, UpperCaseWithThreeNordicLetters) {
    const std::vector<std::pair<int, int>> Cases = {{229, 197}, {230, 198}, {248, 216}, {'a', 'A'}, {'b', 'B'},
                                                    {'z', 'Z'}, {'A', 'A'}, {'1', '1'}, {'@', '@'}, {'{', '{'},
                                                    {233, 233}, {197, 197}, {255, 255}, {0, 0}};
    for (const auto& [In, Out] : Cases) {
        EXPECT_EQ(static_cast<Byte>(TEditMatrix::UpcaseDK(static_cast<char>(In))), Out) << In;
    }
}

}  // namespace
}  // namespace vyr::test
