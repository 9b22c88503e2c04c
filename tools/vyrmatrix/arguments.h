// The command lines of the tool's commands, parsed and checked completely before anything is
// built: a bad argument throws TBadArgument, which names the argument and says what is wrong.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "values.h"

namespace vyr::cli {

// A bad command-line argument. Argument is the argument as given (with its option, when it is
// the option's value); Reason what is wrong with it.
class TBadArgument : public std::runtime_error {
public:
    TBadArgument(std::string Argument, std::string Reason);
    [[nodiscard]] const std::string& Argument() const { return FArgument; }
    [[nodiscard]] const std::string& Reason() const { return FReason; }

private:
    std::string FArgument;
    std::string FReason;
};

enum class TImageFormat { Ppm, Png };

// The image format named by a file's extension (.ppm or .png, either case), or none.
std::optional<TImageFormat> ImageFormatOf(const std::string& Path);

enum class TActionKind {
    Set,
    Key,
    Type,
    Focus,
    Blur,
    Click,
    Step,
    Blink,
    Paint,
    Glyph,
    Column,
    Wait,
    Save,
    Print,
    State,
};

// One action of `render`, with its parsed value. Only the fields of its kind are meaningful.
struct TAction {
    TActionKind Kind = TActionKind::Paint;
    TAssignment Assignment;                   // Set
    std::uint16_t Key = 0;                    // Key
    std::string Text;                         // Type: 8-bit codes
    std::int64_t Count = 1;                   // Step, Blink: repetitions; Wait: milliseconds
    std::uint8_t Code = 0;                    // Glyph, Column: the character code
    std::array<std::uint8_t, 5> Glyph{};      // Glyph
    std::uint8_t Column = 0;                  // Column
    std::uint8_t ColumnValue = 0;             // Column
    std::string Path;                         // Save
    TImageFormat Format = TImageFormat::Png;  // Save
};

struct TRenderPlan {
    bool Help = false;
    int Siblings = 0;
    std::optional<std::string> LoadForm;
    std::optional<std::string> SaveForm;
    std::vector<TAction> Actions;
};

// Largest values the tool accepts for counts given on the command line.
inline constexpr std::int64_t MaxSiblings = 1000;
inline constexpr std::int64_t MaxRepeat = 2147483647;
inline constexpr std::int64_t MaxWaitMs = 2147483647;
inline constexpr std::int64_t MaxFrames = 100000;
inline constexpr double MaxSeconds = 1e7;

// The arguments after "render".
TRenderPlan ParseRenderArguments(const std::vector<std::string>& Args);

// The arguments after "scroll", "edit" or "gif": one optional TEXT, `--set NAME=VALUE`
// repeated, and the options of the command (AllowSeconds: `--seconds S`; AllowGif: `-o FILE`
// and `--frames N`). "--" ends the options: the argument after it is TEXT.
struct TLiveOptions {
    bool Help = false;
    std::optional<std::string> Text;  // 8-bit codes
    std::vector<TAssignment> Sets;
    std::optional<double> Seconds;
    std::optional<std::string> Output;
    std::optional<std::int64_t> Frames;
};

struct TLiveSyntax {
    bool AllowSeconds = false;
    bool AllowGif = false;
};

TLiveOptions ParseLiveArguments(const std::vector<std::string>& Args, TLiveSyntax Syntax);

}  // namespace vyr::cli
