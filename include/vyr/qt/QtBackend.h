/// @file
/// The Qt 6 Widgets backend. A host window control is shown in a QHostWindow (a QWidget), the GUI
/// message loop is Qt's event loop, and the steps that worker threads hand over with
/// TThread::Synchronize run on Qt's GUI thread. The component does not know this backend exists.
///
/// [X] window surfaces: kept in the backing store's format (QImage::Format_RGB32); a frame the
///     control copies is converted into it once, and only the rectangle of pixels that changed is
///     shown again, with a plain copy (no conversion in paintEvent)
/// [X] repaints: the host's own repaint requests (see QHostWindow) call the control's Paint; a
///     frame the control has copied is only shown, never drawn a second time
/// [X] GUI message loop: Qt's; every queued synchronised call posts one wake-up event to the
///     widget set, whose handler runs CheckSynchronize (no polling timer); RunFor, ProcessMessages
/// [X] keys: named keys reach the host's key-down as virtual-key codes (VirtualKey); the text of
///     keys that type (character keys, Space, and Backspace, Tab, Return and Escape with their
///     control characters) reaches its key-press as 8-bit characters (typedText: Latin-1, or the
///     code page a subclass converts through). The Qt event is accepted when the control took the
///     key; Return, Escape and keys it neither handles nor
///     types reach the control and then go on to the parent widgets (a dialog's buttons)
/// [X] WM_GETDLGCODE decides the arrow keys: the control gets them (and Qt's event is accepted)
///     only when its answer has DLGC_WANTARROWS, as a dialog asks
/// [X] focus: Qt focus in/out -> the host focus (DoEnter/DoExit); the host's SetFocus -> Qt focus
/// [X] mouse: a left-button press -> Click
/// [X] the control's Up/Down focus walk runs over the Qt parent's focusable children, in Qt's tab
///     order (QHostWindow)
/// [X] sharp pixels at devicePixelRatio > 1: design pixels are logical pixels, scaled up without
///     smoothing; a widget that knows what its surface shows may install a QSurfacePresenter,
///     which draws it again at device resolution instead (QEditMatrix's even LEDs)
/// [ ] a host TForm is not a Qt window: its peer draws nowhere, and a control is seen only when a
///     QHostWindow adopts it (host controls have no position, so a host form's layout means
///     nothing here: Qt's layouts place the QHostWindows)
/// [ ] no double clicks, mouse moves, wheel events or key releases reach the host
/// [ ] WM_NEXTDLGCTL is never sent and Tab never reaches the control: Tab and Backtab follow
///     Qt's focus chain (focus policy with Qt::TabFocus for a tab stop)
/// [ ] no input-method (composed) text
///
/// Threads: everything here runs on Qt's GUI thread, which the widget set makes the host's GUI
/// thread; only the wake-up hook runs on worker threads.
///
/// The parts, one header each: vyr/qt/QtWidgetSet.h (TQtWidgetSet, the widget set and its event
/// loop), vyr/qt/QHostWindow.h (QHostWindow, the window of one control), vyr/qt/QtInput.h (key
/// and colour conversions, shared with the Qt Quick backend).
#pragma once

#include "vyr/qt/QHostWindow.h"
#include "vyr/qt/QtInput.h"
#include "vyr/qt/QtWidgetSet.h"
