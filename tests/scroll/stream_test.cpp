// The column stream built from the text: which characters are shown, which codes become code
// columns, and how the cells of the columns are linked.
//
// No scroll step runs in these tests: the GUI queue is never pumped.
#include <gtest/gtest.h>

#include "scroll/marquee_support.h"
#include "support/test_support.h"

namespace vyr::test {
namespace {

struct ParseCase {
    const char* Name;
    std::string Text;
    const char* Shown;  // the description the stream must match (see ExpectedTokens)
};

std::ostream& operator<<(std::ostream& Out, const ParseCase& Case) { return Out << Case.Name; }

class StreamParse : public ::testing::TestWithParam<ParseCase> {};

// The characters of a description, its "{code}" columns left out: what a reader is told.
std::string ShownCharacters(std::string_view Description) {
    std::string Out;
    for (std::size_t i = 0; i < Description.size(); ++i) {
        if (Description[i] == '{') {
            i = Description.find('}', i);
        } else {
            Out.push_back(Description[i]);
        }
    }
    return Out;
}

// The stream and the text given to screen readers (MarqueeText) read the text alike.
TEST_P(StreamParse, ShowsTheExpectedColumns) {
    TFormWithMatrix Form;
    Form.Matrix->FSetText(GetParam().Text);
    EXPECT_EQ(StreamTokens(*Form.Matrix), ExpectedTokens(*Form.Matrix, GetParam().Shown));
    EXPECT_EQ(Form.Matrix->ScrollPos(), Form.Matrix->StreamHead());
    EXPECT_EQ(TEditMatrix::MarqueeText(GetParam().Text), ShownCharacters(GetParam().Shown));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Texts, StreamParse,
    ::testing::Values(
        ParseCase{"PlainText", "Hi!", "Hi!"},
        ParseCase{"DoubleAtShowsOneAt", "@@", "@"},
        ParseCase{"ThreeAtsShowOneAndDropTheLast", "@@@", "@"},
        ParseCase{"FourAtsShowTwo", "@@@@", "@@"},
        ParseCase{"DoubleAtInsideText", "X@@Y", "X@Y"},
        ParseCase{"TrailingAtDropped", "AB@", "AB"},
        ParseCase{"TrailingHeldCodeCharacterDropped", "X@C", "X"},
        ParseCase{"TrailingHeldOtherCharacterDropped", "A@9", "A"},
        ParseCase{"NineIsNotACodeCharacter", "@9123456X", "123456X"},
        ParseCase{"NineThenDigitsShowsTheDigits", "@90000FFX", "0000FFX"},
        ParseCase{"LowercaseCodeCharacter", "@c0000ffX", "0000ffX"},
        ParseCase{"LowercaseDigitsDropAllEight", "@C0000ffX", "X"},
        ParseCase{"AtAfterHeldCharacter", "@C@0000FF", "@0000FF"},
        ParseCase{"AtAfterHeldNonCodeCharacter", "@Z@C0000FFA", "@C0000FFA"},
        ParseCase{"AtInsideTheDigitsDropsTheCode", "@C00@0FFX", "X"},
        ParseCase{"AtAsLastDigitDropsTheCode", "@C0000F@X", "X"},
        ParseCase{"LetterCodeAfterText", "Hi@C0000FF", "Hi{C0000FF}"},
        ParseCase{"CodeCutShortByTheEnd", "Hi@C0000F", "Hi"},
        ParseCase{"DigitCodeBeforeText", "@0010000A", "{0010000}A"},
        ParseCase{"DigitCodeAtTheEnd", "AB@8000000", "AB{8000000}"},
        ParseCase{"CodeThenMoreCharacters", "@C0000FFF0", "{C0000FF}F0"},
        ParseCase{"CodeThenDoubleAt", "A@C0000FF@@", "A{C0000FF}@"},
        ParseCase{"AdjacentCodes", "@C0000FF@2FF0000A", "{C0000FF}{2FF0000}A"},
        ParseCase{"EveryLetterCode",
                  "@A000001@B000002@C000003@D000004@E000005@F000006@I000007@L000008@S000009X",
                  "{A000001}{B000002}{C000003}{D000004}{E000005}{F000006}{I000007}{L000008}{S000009}X"},
        ParseCase{"EveryDigitCode",
                  "@0000001@1000002@2000003@3000004@4000005@5000006@6000007@7000008@8000009X",
                  "{0000001}{1000002}{2000003}{3000004}{4000005}{5000006}{6000007}{7000008}{8000009}X"},
        ParseCase{"LargestValue", "@DFFFFFFX", "{DFFFFFF}X"},
        ParseCase{"EightBitCharacters", "\xC5\xFF", "\xC5\xFF"}),
    [](const ::testing::TestParamInfo<ParseCase>& Info) { return std::string(Info.param.Name); });
// clang-format on

// Texts that show no character leave no stream at all, whatever codes they hold.
class StreamEmpty : public ::testing::TestWithParam<std::string> {};

TEST_P(StreamEmpty, LeavesNoStream) {
    TFormWithMatrix Form;
    Form.Matrix->FSetText("Old text");
    ASSERT_NE(Form.Matrix->StreamHead(), nullptr);
    Form.Matrix->FSetText(GetParam());
    EXPECT_EQ(Form.Matrix->StreamHead(), nullptr);
    EXPECT_EQ(Form.Matrix->StreamTail(), nullptr);
    EXPECT_EQ(Form.Matrix->ScrollPos(), nullptr);
    EXPECT_EQ(TEditMatrix::MarqueeText(GetParam()), "");
}

INSTANTIATE_TEST_SUITE_P(Texts, StreamEmpty,
                         ::testing::Values("", "@", "@C", "@C0000FF", "@C0000FF@0010000", "@C0000F",
                                           "@0010000@8000000"));

TEST(StreamShape, EveryCharacterIsFiveGlyphColumnsAndABlankGap) {
    TFormWithMatrix Form;
    const auto At = [&](TPixelLink Link) { return Form.Matrix->PixelPool().At(Link); };
    // Bit 7 is never shown; the gap stays blank whatever the glyph holds.
    Form.Matrix->ChangeChar('H', {0x7F, 0x08, 0x88, 0x08, 0x7F});
    Form.Matrix->FSetText("H");
    std::vector<std::string> Rows(7);
    for (const _Pixel* Head = Form.Matrix->StreamHead(); Head != nullptr; Head = At(Head->Next)) {
        int Row = 0;
        for (const _Pixel* Cell = Head; Cell != nullptr; Cell = At(Cell->Down), ++Row) {
            ASSERT_LT(Row, 7);
            Rows[static_cast<std::size_t>(Row)] += Cell->Value == 1 ? 'X' : '.';
        }
        EXPECT_EQ(Row, 7);
    }
    EXPECT_EQ(Rows, (std::vector<std::string>{"X...X.", "X...X.", "X...X.", "XXXXX.", "X...X.", "X...X.", "X...X."}));
}

// Walks the stream and checks every link a column has and must not have.
TEST(StreamShape, ColumnsAreLinkedRowByRowAndCodesKeepTheirLayout) {
    TFormWithMatrix Form;
    const auto At = [&](TPixelLink Link) { return Form.Matrix->PixelPool().At(Link); };
    Form.Matrix->FSetText("A@C0000FF@2123456B");
    std::vector<const _Pixel*> Heads;
    for (const _Pixel* Head = Form.Matrix->StreamHead(); Head != nullptr; Head = At(Head->Next)) Heads.push_back(Head);
    ASSERT_EQ(Heads.size(), 14U);  // 6 + letter code + digit code + 6
    EXPECT_EQ(At(Heads.front()->Prev), nullptr);
    EXPECT_EQ(Form.Matrix->StreamTail(), Heads.back());

    const _Pixel* Letter = Heads[6];
    const _Pixel* Digit = Heads[7];

    // The letter code: seven cells down from the head, the value bytes first.
    EXPECT_EQ(At(Letter->Up), nullptr);
    std::vector<int> LetterCells;
    for (const _Pixel* Cell = Letter; Cell != nullptr; Cell = At(Cell->Down)) LetterCells.push_back(Cell->Value);
    EXPECT_EQ(LetterCells, (std::vector<int>{'C', 0, 0, 255, 0, 0, 0}));

    // The digit code: head alone in the grid, its value bytes up a chain that links back down.
    EXPECT_EQ(Digit->Value, '2');
    EXPECT_EQ(At(Digit->Down), nullptr);
    std::vector<int> DigitCells;
    const _Pixel* Below = Digit;
    for (const _Pixel* Cell = At(Digit->Up); Cell != nullptr; Cell = At(Cell->Up)) {
        EXPECT_EQ(At(Cell->Down), Below);
        EXPECT_EQ(At(Cell->Prev), nullptr);
        EXPECT_EQ(At(Cell->Next), nullptr);
        DigitCells.push_back(Cell->Value);
        Below = Cell;
    }
    EXPECT_EQ(DigitCells, (std::vector<int>{0x12, 0x34, 0x56}));

    // Rows are linked between neighbours for as many rows as both columns have: all seven
    // between LED columns and the letter code, the top row only around the digit code.
    for (std::size_t k = 0; k + 1 < Heads.size(); ++k) {
        const _Pixel* L = Heads[k];
        const _Pixel* R = Heads[k + 1];
        const bool Full = L != Digit && R != Digit;
        for (int Row = 0; L != nullptr || R != nullptr; ++Row) {
            SCOPED_TRACE("column " + std::to_string(k) + ", row " + std::to_string(Row));
            if (Row == 0 || Full) {
                ASSERT_NE(L, nullptr);
                ASSERT_NE(R, nullptr);
                EXPECT_EQ(At(L->Next), R);
                EXPECT_EQ(At(R->Prev), L);
            } else {
                if (L != nullptr) {
                    EXPECT_EQ(At(L->Next), nullptr);
                }
                if (R != nullptr) {
                    EXPECT_EQ(At(R->Prev), nullptr);
                }
            }
            // Up and Down are each other's inverse inside the grid.
            if (L != nullptr && L != Digit && At(L->Down) != nullptr) {
                EXPECT_EQ(At(At(L->Down)->Up), L);
            }
            L = L != nullptr && L != Digit ? At(L->Down) : nullptr;
            R = R != nullptr && R != Digit ? At(R->Down) : nullptr;
        }
    }
}

}  // namespace
}  // namespace vyr::test
