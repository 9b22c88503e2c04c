// STUB: replaced by the LED raster and the static frame.
#include "vyr/EditMatrix.h"

namespace vyr {

void TEditMatrix::SPutpixel24bitmap(int, int, TColor) {}
void TEditMatrix::SPutRect24bitmap(int, int, int, TColor) {}
void TEditMatrix::SPutCirc24bitmap(int, int, int, TColor) {}
void TEditMatrix::CalculateShape() {}
void TEditMatrix::SetupDisplay() {}
void TEditMatrix::ClearDisplay() {}
void TEditMatrix::ClearSegments(int, int) {}
void TEditMatrix::WriteText() {}
void TEditMatrix::MakeCursor(bool) {}
void TEditMatrix::TotalRedraw(bool, bool) {}
void TEditMatrix::RedrawDisplay() {}
void TEditMatrix::PutLED(int, int, TColor) {}

}  // namespace vyr
