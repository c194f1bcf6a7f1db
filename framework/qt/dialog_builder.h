// Builds a dialog's window and controls from its template: positions in
// dialog units of the template's font, styles honoured where they mean
// something here (visible, disabled, read-only, border, tab stops and tab
// order, default button).
#pragma once

#include <string>

#include "framework/qt/dialog_units.h"
#include "framework/qt/resource_script.h"

class DialogWindow;
class ResourceModule;

// False with *error naming the dialog and the fault (an unknown control class
// or style), in which case the window must not be shown.
bool BuildDialog(const rc::DialogTemplate& dialog, ResourceModule& resources, DialogWindow& window,
                 std::string* error);
