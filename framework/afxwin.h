// The dialog framework in one include, for code written in the dialog idiom.
#pragma once

#include "controls.h"
#include "cstring.h"
#include "data_exchange.h"
#include "dialog.h"
#include "file_dialog.h"
#include "menu.h"
#include "message_box.h"
#include "message_map.h"
#include "message_pump.h"
#include "paint_dc.h"
#include "win_app.h"
#include "win_types.h"
#include "wnd.h"
