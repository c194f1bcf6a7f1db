// Test seam: while a UiScript exists, message boxes and file dialogs are not
// shown but answered from it, and every one of them is recorded with what it
// would have shown. Modal dialogs run for real; the script is told when each
// one is up so the test can work its controls and close it.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/win_types.h"

class CDialog;

struct ShownMessageBox {
    std::string caption;
    std::string text;
    UINT type = 0;
};

struct ShownFileDialog {
    bool open = true;
    std::string title;
    std::vector<std::string> nameFilters; // as offered to the user
    std::string defaultExt;
    DWORD flags = 0;
    // Where it opens: the folder of the name suggested, else of the last name
    // chosen, else empty.
    std::string folder;
    std::string fileName; // the name filled in, without its folder
};

class UiScript {
public:
    // The newest script in force answers; the one before it takes over when it goes.
    UiScript() : m_previous(std::exchange(s_current, this)) {}
    ~UiScript() { s_current = m_previous; }
    UiScript(const UiScript&) = delete;
    UiScript& operator=(const UiScript&) = delete;
    static UiScript* Current() { return s_current; }

    // Queued answers, used in order. A file dialog with no answer left is cancelled.
    void AnswerFileDialog(std::string path) { fileAnswers.emplace_back(std::move(path)); }
    void CancelFileDialog() { fileAnswers.emplace_back(std::nullopt); }
    // Answers for message boxes that offer a choice; MB_OK boxes are answered
    // IDOK without using the queue. With the queue empty, the first button.
    void AnswerMessageBox(int id) { messageBoxAnswers.push_back(id); }

    // Called when a message box would be shown, before it is answered.
    std::function<void(const ShownMessageBox&)> onMessageBox;
    // Called once a modal dialog's loop runs. Without a handler the dialog is cancelled.
    std::function<void(CDialog&)> onDialogShown;

    std::vector<ShownMessageBox> messageBoxes;
    std::vector<ShownFileDialog> fileDialogs;
    std::deque<std::optional<std::string>> fileAnswers; // nullopt: Cancel
    std::deque<int> messageBoxAnswers;

private:
    static inline UiScript* s_current = nullptr;
    UiScript* m_previous;
};
