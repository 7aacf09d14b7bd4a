// Process-wide window values and the bracket around every modal dialog and message box.
//
// The application sets the instance handle and its main and client windows at start-up. While
// the first modal dialog is up, the other top-level windows owned by the main window are
// disabled; they get their previous enabled state back when the last one closes. All of this
// belongs to the user-interface thread and is not locked.
#pragma once

#include "win32/types.h"

// The instance handle set by the application; until one is set, the main executable's module
// handle (fetched once and kept).
HINSTANCE kzwGetInstanceHandle();
// Sets the instance handle and returns the previous one as kzwGetInstanceHandle gave it.
HINSTANCE kzwSetInstanceHandle(HINSTANCE instance);

// Sets the main window and the client (multiple-document) window; either may be null.
void kzwSetMainWnd(HWND main, HWND client);
HWND kzwGetMainWnd();
HWND kzwGetClientWnd();
// Non-zero when `window`'s parent is the client window; 0 when either is missing.
int kzwIsMDIChildWnd(HWND window);

// Non-zero while a modal dialog or message box is up.
int kzwIsModalDlgVisible();
// Counts a dialog as shown (non-zero) or as closed (zero). The count never drops below 0.
void kzwIncrementShowDlgCount(int show);

// Opens the bracket of a modal dialog (null for a message box). The first open bracket disables
// the main window's other top-level windows, remembering their state. A non-zero `value` goes
// into the dialog's user word (window long 8); a dialog is centred over its owner (a popup) or
// its parent's client area (a child), kept inside the monitor's work area.
void kzwModalDlgInitialize(HWND dialog, LONG value);
// Closes the bracket; the last close gives the windows their remembered enabled state back and
// sends each enabled one WM_NCACTIVATE(1). A close without an open bracket does nothing.
void kzwModalDlgDestroy(HWND dialog);
