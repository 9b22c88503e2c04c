/// @file
/// Palette registration of the two components. Each unit registers its own class on the page
/// "Vyr-Components"; the package exports these as its units' Register routines, and a program
/// that links the components statically calls RegisterComponentUnits to get the same palette.
#pragma once

#include <string_view>

namespace vyr {

/// The palette page both components are registered on.
inline constexpr std::string_view PalettePage = "Vyr-Components";

namespace CharSetUnit {
/// Puts TCharSet on the page "Vyr-Components".
void Register();
}  // namespace CharSetUnit

namespace EditMatrixUnit {
/// Puts TEditMatrix on the page "Vyr-Components".
void Register();
}  // namespace EditMatrixUnit

/// Both units' Register, CharSet first: what installing the package does.
void RegisterComponentUnits();

}  // namespace vyr
