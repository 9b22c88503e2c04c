// UTF-8 to 8-bit codes: code points up to U+00FF keep their number, others become '?', and
// every byte of a broken sequence stands for itself.
#include <gtest/gtest.h>

#include "utf8.h"

namespace vyr::cli {
namespace {

struct TDecodeCase {
    const char* Name;
    std::string Input;
    std::string Expected;
};

std::ostream& operator<<(std::ostream& Os, const TDecodeCase& C) { return Os << C.Name; }

class Utf8Decoding : public ::testing::TestWithParam<TDecodeCase> {};

TEST_P(Utf8Decoding, WholeString) { EXPECT_EQ(DecodeUtf8To8Bit(GetParam().Input), GetParam().Expected); }

TEST_P(Utf8Decoding, ByteByByteGivesTheSame) {
    TUtf8Decoder Decoder;
    std::string Out;
    for (const char Ch : GetParam().Input) Decoder.Feed(static_cast<std::uint8_t>(Ch), Out);
    Decoder.Flush(Out);
    EXPECT_EQ(Out, GetParam().Expected);
}

using S = std::string;

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, Utf8Decoding,
    ::testing::Values(
        TDecodeCase{"Empty", S(), S()},
        TDecodeCase{"Ascii", S("Hello @C00FF00"), S("Hello @C00FF00")},
        TDecodeCase{"ControlCharsKept", S("a\x01\x1f\x7f"), S("a\x01\x1f\x7f")},
        TDecodeCase{"TwoByteLowest", S("\xC2\x80"), S("\x80")},
        TDecodeCase{"TwoByteLatin1", S("\xC3\xA5\xC3\xA6\xC3\xB8"), S("\xE5\xE6\xF8")},
        TDecodeCase{"TwoByteHighestLatin1", S("\xC3\xBF"), S("\xFF")},
        TDecodeCase{"TwoByteAboveLatin1", S("\xC4\x80"), S("?")},
        TDecodeCase{"ThreeByteEuro", S("a\xE2\x82\xAC" "b"), S("a?b")},
        TDecodeCase{"FourByteEmoji", S("\xF0\x9F\x98\x80"), S("?")},
        TDecodeCase{"HighestCodePoint", S("\xF4\x8F\xBF\xBF"), S("?")},
        TDecodeCase{"StrayContinuation", S("a\x80" "b"), S("a\x80" "b")},
        TDecodeCase{"LoneLeadThenAscii", S("\xC3" "A"), S("\xC3" "A")},
        TDecodeCase{"TruncatedAtEnd2", S("x\xC3"), S("x\xC3")},
        TDecodeCase{"TruncatedAtEnd3", S("\xE2\x82"), S("\xE2\x82")},
        TDecodeCase{"TruncatedAtEnd4", S("\xF0\x9F\x98"), S("\xF0\x9F\x98")},
        TDecodeCase{"TruncatedBeforeNewLead", S("\xE2\x82\xC3\xA9"), S("\xE2\x82\xE9")},
        TDecodeCase{"OverlongTwoByte", S("\xC0\xAF"), S("\xC0\xAF")},
        TDecodeCase{"OverlongC1", S("\xC1\xBF"), S("\xC1\xBF")},
        TDecodeCase{"OverlongThreeByte", S("\xE0\x80\xAF"), S("\xE0\x80\xAF")},
        TDecodeCase{"OverlongFourByte", S("\xF0\x80\x80\xAF"), S("\xF0\x80\x80\xAF")},
        TDecodeCase{"Surrogate", S("\xED\xA0\x80"), S("\xED\xA0\x80")},
        TDecodeCase{"AboveUnicode", S("\xF4\x90\x80\x80"), S("\xF4\x90\x80\x80")},
        TDecodeCase{"NeverLeadBytes", S("\xF5\xFE\xFF"), S("\xF5\xFE\xFF")},
        TDecodeCase{"BrokenThenValid", S("\xE2(\xC3\xA9"), S("\xE2(\xE9")}));
// clang-format on

TEST(Utf8Encoding, EveryCodeRoundTrips) {
    std::string All;
    for (int c = 0; c < 256; ++c) All.push_back(static_cast<char>(c));
    EXPECT_EQ(DecodeUtf8To8Bit(Encode8BitToUtf8(All)), All);
    EXPECT_EQ(Encode8BitToUtf8("\xE9"), "\xC3\xA9");
}

}  // namespace
}  // namespace vyr::cli
