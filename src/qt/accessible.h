// The accessibility interface of QEditMatrix, and the way its events go out. Private to the
// widgets library (never installed): the tap is a test hook.
#pragma once

#include <QtCore/QString>
#include <functional>

class QAccessibleEvent;
class QObject;

namespace vyr::qt {

// Installs the interface factory for vyr::QEditMatrix (once; GUI thread).
void InstallEditMatrixAccessibility();

// Sends Event to assistive technology (QAccessible::updateAccessibility, which drops it while no
// assistive technology is active) after showing it to the tap, if one is set. The tap is how the
// tests see the events: the offscreen platform has no accessibility bridge, so Qt never reports
// itself active there.
void NotifyAccessibility(QAccessibleEvent& Event);
std::function<void(const QAccessibleEvent&)>& AccessibilityTap();

// Tells assistive technology how the spoken text of Object went from Old to Now (Cursor: the
// cursor after the change), as a QLineEdit does: one insertion, removal or replacement event.
void NotifyTextChange(QObject* Object, const QString& Old, const QString& Now, int Cursor);

}  // namespace vyr::qt
