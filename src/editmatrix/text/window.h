// Helpers shared by the cursor movement and editing operations: walking a position along the
// character list, and the step width. Internal to the text operations; GUI thread only.
#pragma once

#include <algorithm>
#include <cstdint>

#include "../host_names.h"
#include "vyr/EditMatrix.h"

namespace vyr::text {

// Moves a position (its node and its index together) Count nodes towards the end of the list.
// Stops at the end sentinel, so a count that is too large never leaves the list.
inline void Advance(Node*& N, std::int32_t& Index, std::int32_t Count) {
    for (; Count > 0 && N->NextNode != nullptr; --Count) {
        N = N->NextNode;
        ++Index;
    }
}

// Moves a position Count nodes towards the start of the list; stops at the first node.
inline void Retreat(Node*& N, std::int32_t& Index, std::int32_t Count) {
    for (; Count > 0 && N->PrevNode != nullptr; --Count) {
        N = N->PrevNode;
        --Index;
    }
}

// The width of a window jump in step mode for a window of T >= 2 slots: StepToOutside, kept
// within 1..T div 2. The property setters keep it there already; the clamp only makes sure a
// jump can never carry the window past the cursor.
inline std::int32_t StepWidth(const TEditMatrix& M) {
    const std::int32_t Half = std::max(1, M.TotalVisible() / 2);
    return std::clamp<std::int32_t>(M.StepToOutside(), 1, Half);
}

}  // namespace vyr::text
