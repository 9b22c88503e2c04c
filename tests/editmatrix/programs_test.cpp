// Random programs of public operations, from fixed seeds: every operation a program can reach,
// in any order, keeps the control sound. The same programs in their byte form decode back to
// themselves, so a failure found here can be replayed by the fuzz target and the other way round.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/MatrixProgram.h"

namespace vyr::test {
namespace {

constexpr std::size_t OpsPerProgram = 40;

// 3000 programs in shards of 500 seeds, so that the test runner can spread them.
class MatrixRandomPrograms : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(MatrixRandomPrograms, PublicOperationsInAnyOrderKeepTheListTheWindowAndTheBackBufferSound) {
    const std::uint32_t First = GetParam() * 500 + 1;
    for (std::uint32_t Seed = First; Seed < First + 500; ++Seed) {
        const TProgram Program = RandomProgram(Seed, OpsPerProgram);
        const std::string Failure = RunProgram(Program);
        ASSERT_EQ(Failure, "") << "seed " << Seed;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, MatrixRandomPrograms, ::testing::Range<std::uint32_t>(0, 6));

TEST(MatrixPrograms, ByteFormDecodesBackToTheSameProgram) {
    for (std::uint32_t Seed = 1; Seed <= 200; ++Seed) {
        const TProgram Program = RandomProgram(Seed, OpsPerProgram);
        const std::vector<std::uint8_t> Bytes = EncodeProgram(Program);
        ASSERT_EQ(DecodeProgram(Bytes), Program) << "seed " << Seed;
    }
}

TEST(MatrixPrograms, EveryByteStringDecodesToAProgramItsEncodingReproduces) {
    std::uint32_t State = 12345;
    for (int Round = 0; Round < 500; ++Round) {
        std::vector<std::uint8_t> Bytes(static_cast<std::size_t>(Round % 97));
        for (std::uint8_t& B : Bytes) {
            State = State * 1664525U + 1013904223U;
            B = static_cast<std::uint8_t>(State >> 24);
        }
        const TProgram Program = DecodeProgram(Bytes);
        ASSERT_EQ(DecodeProgram(EncodeProgram(Program)), Program) << "round " << Round;
    }
}

TEST(MatrixPrograms, AnyBytesDecodeAndTruncatedOperandsReadAsZero) {
    // A lone SetText opcode with a length longer than the input takes what is there.
    const std::vector<std::uint8_t> Bytes = {0x00, 0x00, 0x10, 0x00, 'A', 'B'};
    const TProgram Program = DecodeProgram(Bytes);
    ASSERT_EQ(Program.Ops.size(), 1U);
    EXPECT_EQ(Program.Ops[0].Kind, TOpKind::SetText);
    EXPECT_EQ(Program.Ops[0].Bytes, "AB");
    EXPECT_TRUE(DecodeProgram({}).Ops.empty());
    std::vector<std::uint8_t> Long(5000, 0x0C);  // Paint opcodes and their operands
    EXPECT_EQ(DecodeProgram(Long).Ops.size(), MaxProgramOps);
}

}  // namespace
}  // namespace vyr::test
