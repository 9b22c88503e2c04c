// The accessibility interface of QEditMatrix, and the way its events go out.
#pragma once

#include <functional>

class QAccessibleEvent;

namespace vyr::qt {

// Installs the interface factory for vyr::QEditMatrix (once; GUI thread).
void InstallEditMatrixAccessibility();

// Sends Event to assistive technology (QAccessible::updateAccessibility, which drops it while no
// assistive technology is active) after showing it to the tap, if one is set. The tap is how the
// tests see the events: the offscreen platform has no accessibility bridge, so Qt never reports
// itself active there.
void NotifyAccessibility(QAccessibleEvent& Event);
std::function<void(const QAccessibleEvent&)>& AccessibilityTap();

}  // namespace vyr::qt
