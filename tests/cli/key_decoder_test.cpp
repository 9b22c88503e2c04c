// Terminal bytes to editor events.
#include <gtest/gtest.h>

#include "key_decoder.h"

namespace vyr::cli {

// Found by argument-dependent lookup, so that failures show the events.
void PrintTo(const TKeyEvent& E, std::ostream* Os) {
    *Os << "{kind " << static_cast<int>(E.Kind) << " key " << E.Key << " shift " << E.Shift << " char "
        << static_cast<int>(static_cast<unsigned char>(E.Char)) << "}";
}

namespace {

using TKind = TKeyEvent::TKind;

TKeyEvent Down(std::uint16_t Key, host::TShiftState Shift = 0) { return TKeyEvent::Down(Key, Shift); }
TKeyEvent Press(char Ch) { return TKeyEvent::Press(Ch); }
TKeyEvent Just(TKind Kind) { return TKeyEvent::Of(Kind); }

struct TDecodeCase {
    const char* Name;
    std::string Bytes;
    std::vector<TKeyEvent> Events;
};

std::ostream& operator<<(std::ostream& Os, const TDecodeCase& C) { return Os << C.Name; }

class KeyDecoding : public ::testing::TestWithParam<TDecodeCase> {};

TEST_P(KeyDecoding, Events) { EXPECT_EQ(DecodeKeys(GetParam().Bytes), GetParam().Events); }

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, KeyDecoding,
    ::testing::Values(
        TDecodeCase{"Printable", "aZ ~", {Press('a'), Press('Z'), Press(' '), Press('~')}},
        TDecodeCase{"Utf8Letter", "\xC3\xA9", {Press('\xE9')}},
        TDecodeCase{"Utf8BeyondLatin1", "\xE2\x82\xAC", {Press('?')}},
        TDecodeCase{"Utf8CutByControl", "\xC3\x7F", {Press('\xC3'), Down(8), Press('\x08')}},
        TDecodeCase{"Utf8CutAtEnd", "\xE2\x82", {Press('\xE2'), Press('\x82')}},
        TDecodeCase{"BackspaceDel", "\x7F", {Down(8), Press('\x08')}},
        TDecodeCase{"BackspaceCtrlH", "\x08", {Down(8), Press('\x08')}},
        TDecodeCase{"EnterCr", "\r", {Down(13), Press('\r')}},
        TDecodeCase{"ArrowsCsi", "\x1b[A\x1b[B\x1b[C\x1b[D", {Down(38), Down(40), Down(39), Down(37)}},
        TDecodeCase{"ArrowsSs3", "\x1bOA\x1bOD", {Down(38), Down(37)}},
        TDecodeCase{"HomeEndVariants", "\x1b[H\x1b[F\x1bOH\x1bOF\x1b[1~\x1b[4~\x1b[7~\x1b[8~",
                    {Down(36), Down(35), Down(36), Down(35), Down(36), Down(35), Down(36), Down(35)}},
        TDecodeCase{"EditingKeys", "\x1b[2~\x1b[3~\x1b[5~\x1b[6~", {Down(45), Down(46), Down(33), Down(34)}},
        TDecodeCase{"CtrlRight", "\x1b[1;5C", {Down(39, host::ssCtrl)}},
        TDecodeCase{"ShiftHome", "\x1b[1;2H", {Down(36, host::ssShift)}},
        TDecodeCase{"ShiftDelete", "\x1b[3;2~", {Down(46, host::ssShift)}},
        TDecodeCase{"TabAndBackTab", "\t\x1b[Z", {Just(TKind::FocusNext), Just(TKind::FocusPrevious)}},
        TDecodeCase{"CtrlC", "a\x03" "b", {Press('a'), Just(TKind::Quit), Press('b')}},
        TDecodeCase{"LoneEscapeAtEnd", "a\x1b", {Press('a'), Just(TKind::Quit)}},
        TDecodeCase{"DoubleEscape", "\x1b\x1b[D", {Just(TKind::Quit), Down(37)}},
        TDecodeCase{"UnknownSequencesDropped", "\x1b[15~\x1b[?25hx\x1b[200~", {Press('x')}},
        TDecodeCase{"AltKeyDropped", "\x1bxy", {Press('y')}},
        TDecodeCase{"SequenceCutByControl", "\x1b[1\x7F", {Down(8), Press('\x08')}},
        TDecodeCase{"UnfinishedSequenceAtEnd", "\x1b[1;", {}},
        TDecodeCase{"OtherControlsIgnored", "\x01\x02\x1a", {}}));
// clang-format on

TEST(KeyDecoder, LoneEscapeWaitsForTheTimeout) {
    TKeyDecoder Decoder;
    std::vector<TKeyEvent> Events;
    Decoder.Feed(0x1B, Events);
    EXPECT_TRUE(Events.empty());
    EXPECT_TRUE(Decoder.Pending());
    Decoder.Timeout(Events);
    EXPECT_EQ(Events, std::vector<TKeyEvent>{Just(TKind::Quit)});
    EXPECT_FALSE(Decoder.Pending());
}

TEST(KeyDecoder, SequenceSplitAcrossReadsStillDecodes) {
    TKeyDecoder Decoder;
    std::vector<TKeyEvent> Events;
    for (const char Ch : std::string("\x1b[3")) Decoder.Feed(static_cast<std::uint8_t>(Ch), Events);
    EXPECT_TRUE(Decoder.Pending());
    Decoder.Feed('~', Events);
    EXPECT_EQ(Events, std::vector<TKeyEvent>{Down(46)});
}

}  // namespace
}  // namespace vyr::cli
