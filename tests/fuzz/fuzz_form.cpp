// Fuzz target for the form reader. Every input is either rejected with EFormError, creating
// nothing, or read; and what was read must write a form that reads again without error.
// Anything else (a crash, a sanitizer report, another exception) is a fault.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "vyr/Register.h"
#include "vyr/host/FormStorage.h"

namespace {

// Whether Text has more than Limit objects (so that a few inputs of many large matrices do not
// exhaust the fuzzer's memory limit).
bool TooManyObjects(std::string_view Text, int Limit) {
    constexpr std::string_view Keyword = "object";
    int Count = 0;
    for (std::size_t At = 0; At + Keyword.size() <= Text.size(); ++At) {
        bool Match = true;
        for (std::size_t I = 0; I < Keyword.size() && Match; ++I) Match = (Text[At + I] | 0x20) == Keyword[I];
        Count += Match ? 1 : 0;
    }
    return Count > Limit;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    static const bool Registered = (vyr::RegisterComponentUnits(), true);
    (void)Registered;
    const std::string_view Text(reinterpret_cast<const char*>(Data), Size);
    if (TooManyObjects(Text, 8)) return -1;

    vyr::host::TComponent Owner(nullptr);
    std::vector<vyr::host::TComponent*> Made;
    try {
        Made = vyr::host::ReadFormObjects(Text, "fuzz.vfm", &Owner, nullptr);
    } catch (const vyr::host::EFormError&) {
        if (Owner.ComponentCount() != 0) __builtin_trap();  // a rejected form created something
        return 0;
    }
    if (Made.empty() || Owner.ComponentCount() != static_cast<int>(Made.size())) __builtin_trap();

    // Every referenced component has a name (references are by name), so writing cannot fail.
    const std::vector<const vyr::host::TComponent*> Written(Made.begin(), Made.end());
    const auto Again = vyr::host::WriteComponentsText(Written);
    vyr::host::TComponent Second(nullptr);
    const auto Reread = vyr::host::ReadFormObjects(Again, "again.vfm", &Second, nullptr);
    if (Reread.size() != Made.size()) __builtin_trap();
    return 0;
}
