#include "framework/qt/drop_files.h"

#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <cstring>

HDROP__ DroppedFiles(const QMimeData* data) {
    HDROP__ drop;
    if (data)
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                drop.files.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    return drop;
}

UINT DragQueryFile(HDROP hDrop, UINT iFile, LPTSTR lpszFile, UINT cch) {
    if (!hDrop)
        return 0;
    if (iFile == 0xFFFFFFFF)
        return static_cast<UINT>(hDrop->files.size());
    if (iFile >= hDrop->files.size())
        return 0;
    const std::string& path = hDrop->files[iFile];
    if (lpszFile && cch > 0) {
        // As the system does, a buffer too small gets what fits, still terminated.
        const std::size_t copied = std::min<std::size_t>(path.size(), cch - 1);
        std::memcpy(lpszFile, path.data(), copied);
        lpszFile[copied] = '\0';
        return static_cast<UINT>(copied);
    }
    return static_cast<UINT>(path.size());
}

void DragFinish(HDROP hDrop) {
    if (hDrop)
        hDrop->files.clear();
}
