// Test seam: while a UiScript exists, message boxes and file dialogs are not
// shown but answered from it, and every one of them is recorded with what it
// would have shown. Modal dialogs run for real; the script is told when each
// one is up so the test can work its controls and close it.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "framework/win_types.h"

class CDialog;

struct ShownMessageBox {
    std::string caption;
    std::string text;
    UINT type = 0;
    int answer = 0;
};

struct ShownFileDialog {
    bool open = true;
    std::string title;
    std::vector<std::string> nameFilters; // as offered to the user
    std::string defaultExt;
    DWORD flags = 0;
    std::string folder; // where it opens: the folder of the last name chosen, else empty
};

class UiScript {
public:
    UiScript();
    ~UiScript();
    UiScript(const UiScript&) = delete;
    UiScript& operator=(const UiScript&) = delete;

    // The script in force, or null.
    static UiScript* Current();

    // Queued answers, used in order. A file dialog with no answer left is cancelled.
    void AnswerFileDialog(std::string path); // the name as the user would enter it, then OK
    void CancelFileDialog();
    // Answers for message boxes that offer a choice; MB_OK boxes are answered
    // IDOK without using the queue. With the queue empty, the first button.
    void AnswerMessageBox(int id);

    // Called when a message box would be shown, before it is answered.
    std::function<void(const ShownMessageBox&)> onMessageBox;
    // Called once a modal dialog's loop runs. Without a handler the dialog is cancelled.
    std::function<void(CDialog&)> onDialogShown;

    std::vector<ShownMessageBox> messageBoxes;
    std::vector<ShownFileDialog> fileDialogs;

    // Used by the framework.
    std::optional<std::string> NextFileAnswer();
    int NextMessageBoxAnswer(UINT type);

private:
    std::deque<std::optional<std::string>> m_fileAnswers;
    std::deque<int> m_messageBoxAnswers;
    UiScript* m_previous = nullptr;
};
