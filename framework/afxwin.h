// The dialog framework in one include, for code written in the dialog idiom.
#pragma once

#include "framework/command_line_info.h"
#include "framework/controls.h"
#include "framework/cstring.h"
#include "framework/data_exchange.h"
#include "framework/dialog.h"
#include "framework/file_dialog.h"
#include "framework/menu.h"
#include "framework/message_box.h"
#include "framework/message_map.h"
#include "framework/message_pump.h"
#include "framework/paint_dc.h"
#include "framework/win_app.h"
#include "framework/win_types.h"
#include "framework/wnd.h"
