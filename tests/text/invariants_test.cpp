#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "text_fixture.h"

namespace vyr::test {
namespace {

namespace vk = host::vk;

// A string model of the text and the cursor, driven by the same events as the control.
struct TModel {
    std::string Text;
    int P = 0;
    bool Overwrite = false;

    [[nodiscard]] int L() const { return static_cast<int>(Text.size()); }

    void Type(char c) {
        if (static_cast<Byte>(c) < 32) return;
        const auto Pos = static_cast<std::size_t>(P);
        if (Overwrite && P < L()) {
            Text[Pos] = c;
        } else {
            Text.insert(Pos, 1, c);
        }
        ++P;
    }

    void Key(Word Key, int T) {
        switch (Key) {
            case vk::Back:
                if (P > 0) Text.erase(static_cast<std::size_t>(--P), 1);
                break;
            case vk::Delete:
                if (P < L()) Text.erase(static_cast<std::size_t>(P), 1);
                break;
            case vk::Left:
                P = std::max(0, P - 1);
                break;
            case vk::Right:
                P = std::min(L(), P + 1);
                break;
            case vk::Home:
                P = 0;
                break;
            case vk::End:
                P = L();
                break;
            case vk::Prior:
                P = std::max(0, P - T);
                break;
            case vk::Next:
                P = std::min(L(), P + T);
                break;
            case vk::Insert:
                Overwrite = !Overwrite;
                break;
            default:
                break;
        }
    }
};

std::string RandomText(std::mt19937& Rng, int MaxLength) {
    std::uniform_int_distribution<int> Length(0, MaxLength);
    std::uniform_int_distribution<int> Code(0, 255);
    std::string S(static_cast<std::size_t>(Length(Rng)), ' ');
    for (char& c : S) c = static_cast<char>(Code(Rng));
    return S;
}

// Stored text: codes below 32 become spaces.
std::string Stored(std::string S) {
    for (char& c : S) {
        if (static_cast<Byte>(c) < 32) c = ' ';
    }
    return S;
}

// Random key and character sequences on random texts and widths (0..20 slots, step rules on
// and off, now and then a new width, a new text or a switch of StepActive). After every event
// the list is sound, the cursor inside the window, the text and the cursor index equal the
// model's, and the back buffer equals a full repaint of the state.
TEST(TextInvariants, RandomEditingKeepsListWindowAndText) {
    std::mt19937 Rng(20240531);
    const Word Keys[] = {vk::Back,  vk::Prior,  vk::Next,   vk::End,  vk::Home,  vk::Left,
                         vk::Right, vk::Insert, vk::Delete, vk::Left, vk::Right, vk::Back};
    std::uniform_int_distribution<int> Pick(0, 99);
    std::uniform_int_distribution<std::size_t> KeyIndex(0, std::size(Keys) - 1);
    std::uniform_int_distribution<int> Width(0, 20);
    std::uniform_int_distribution<int> Step(0, 10);
    std::uniform_int_distribution<int> Code(0, 255);

    constexpr int Sequences = 1500;
    constexpr int Events = 60;
    for (int Seq = 0; Seq < Sequences; ++Seq) {
        TFormWithMatrix Form;
        TEditMatrix& M = *Form.Matrix;
        M.FSetTotalVisible(static_cast<Byte>(Width(Rng)));
        M.FSetStepActive(Pick(Rng) < 50);
        M.FSetStep(static_cast<Byte>(Step(Rng)));
        TModel Model;
        Model.Text = Stored(RandomText(Rng, 40));
        M.FSetText(Model.Text);
        Model.P = Model.L();
        ASSERT_TRUE(ListIsSound(M)) << "sequence " << Seq << " after the first text";

        for (int Ev = 0; Ev < Events; ++Ev) {
            const int Dice = Pick(Rng);
            std::string What;
            if (Dice < 45) {
                const Word Key = Keys[KeyIndex(Rng)];
                What = "key " + std::to_string(Key);
                host::SendKeyDown(M, Key);
                Model.Key(Key, M.TotalVisible());
            } else if (Dice < 92) {
                const char c = static_cast<char>(Code(Rng));
                What = "char " + std::to_string(static_cast<Byte>(c));
                host::SendKeyPress(M, c);
                Model.Type(c);
            } else if (Dice < 95) {
                What = "width";
                M.FSetTotalVisible(static_cast<Byte>(Width(Rng)));
            } else if (Dice < 97) {
                What = "step";
                M.FSetStepActive(!M.StepActive());
                M.FSetStep(static_cast<Byte>(Step(Rng)));
            } else {
                What = "text";
                Model.Text = Stored(RandomText(Rng, 40));
                Model.P = Model.L();
                M.FSetText(Model.Text);
            }

            std::string Read;
            const auto Sound = ListIsSound(M, &Read);
            ASSERT_TRUE(Sound) << "sequence " << Seq << ", event " << Ev << " (" << What
                               << "), T = " << int(M.TotalVisible()) << ", step " << M.StepActive()
                               << " S = " << int(M.StepToOutside());
            ASSERT_EQ(Read, Model.Text) << "sequence " << Seq << ", event " << Ev;
            ASSERT_EQ(M.Text(), Model.Text) << "sequence " << Seq << ", event " << Ev;
            ASSERT_EQ(M.CursorPos(), Model.P) << "sequence " << Seq << ", event " << Ev << " (" << What << ")";
            ASSERT_EQ(M.Overwrite(), Model.Overwrite);
            ASSERT_FALSE(M.TotalRefresh());

            if (Ev % 4 == 0) {
                const TSnapshot Drawn(*M.Bitmap());
                M.SetTotalRefresh();
                M.Paint();
                ASSERT_TRUE(Drawn == TSnapshot(*M.Bitmap()))
                    << "stale frame: sequence " << Seq << ", event " << Ev << " (" << What << ")";
            }
        }
    }
}

}  // namespace
}  // namespace vyr::test
