// The frames' entry points: the one place that picks the renderer of a frame. The fast renderer
// (fastframe.cpp, the fast scroll frame in scroll/frame.cpp) draws every frame whose geometry the
// LED painter draws; the literal renderer (render.cpp, scroll/frame.cpp) draws the others, and
// every frame when it is chosen with UseLiteralRenderer. Neither renderer calls the other: both
// draw with the shared steps below them (the prelude ReshapeOrClear, the primitives).
#include "host_names.h"
#include "vyr/EditMatrix.h"

namespace vyr {

void TEditMatrix::TotalRedraw(bool Resize, bool Clear) {
    if (FastRendererApplies()) {
        FastTotalRedraw(Resize, Clear);
    } else {
        LiteralTotalRedraw(Resize, Clear);
    }
}

void TEditMatrix::TotalScrollRedraw(bool Recalc, bool Clear) {
    if (FastRendererApplies()) {
        FastTotalScrollRedraw(Recalc, Clear);
    } else {
        LiteralTotalScrollRedraw(Recalc, Clear);
    }
}

void TEditMatrix::MakeCursor(bool Show) {
    if (FastRendererApplies()) {
        FastMakeCursor(Show);
    } else {
        LiteralMakeCursor(Show);
    }
}

}  // namespace vyr
