// A drop of files on a window, as WM_DROPFILES hands it over: the paths of the
// local files and folders a drag carried, in the order the drag lists them.
#pragma once

#include <string>
#include <vector>

#include "framework/win_types.h"

class QMimeData;

struct HDROP__ {
    std::vector<std::string> files; // in the file system's encoding (UTF-8)
};

// The local files and folders of a drag; empty when it carries none (text,
// or links to elsewhere), which no window that accepts files takes.
HDROP__ DroppedFiles(const QMimeData* data);
