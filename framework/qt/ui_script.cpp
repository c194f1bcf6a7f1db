#include "framework/qt/ui_script.h"

namespace {
UiScript* g_current = nullptr;
}

UiScript::UiScript() : m_previous(g_current) {
    g_current = this;
}

UiScript::~UiScript() {
    g_current = m_previous;
}

UiScript* UiScript::Current() {
    return g_current;
}

void UiScript::AnswerFileDialog(std::string path) {
    m_fileAnswers.emplace_back(std::move(path));
}

void UiScript::CancelFileDialog() {
    m_fileAnswers.emplace_back(std::nullopt);
}

void UiScript::AnswerMessageBox(int id) {
    m_messageBoxAnswers.push_back(id);
}

std::optional<std::string> UiScript::NextFileAnswer() {
    if (m_fileAnswers.empty())
        return std::nullopt;
    auto answer = std::move(m_fileAnswers.front());
    m_fileAnswers.pop_front();
    return answer;
}

int UiScript::NextMessageBoxAnswer(UINT type) {
    const UINT buttons = type & MB_TYPEMASK;
    if (buttons == MB_OK)
        return IDOK;
    if (m_messageBoxAnswers.empty())
        return buttons == MB_YESNO ? IDYES : IDOK;
    const int answer = m_messageBoxAnswers.front();
    m_messageBoxAnswers.pop_front();
    return answer;
}
