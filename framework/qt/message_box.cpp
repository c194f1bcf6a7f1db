#include "framework/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "framework/qt/ui_script.h"
#include "framework/win_app.h"

namespace {

QMessageBox::Icon IconFor(UINT nType) {
    const UINT icon = nType & MB_ICONMASK;
    return icon == MB_ICONSTOP          ? QMessageBox::Critical
           : icon == MB_ICONEXCLAMATION ? QMessageBox::Warning
                                        : QMessageBox::NoIcon;
}

} // namespace

int ShowMessageBox(HWND owner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) {
    const ShownMessageBox shown{lpszCaption ? lpszCaption : AfxGetAppName(),
                                lpszText ? lpszText : "", nType};
    if (UiScript* script = UiScript::Current()) {
        if (script->onMessageBox)
            script->onMessageBox(shown);
        script->messageBoxes.push_back(shown);
        auto& answers = script->messageBoxAnswers;
        if ((nType & MB_TYPEMASK) == MB_OK || answers.empty())
            return (nType & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    if (!owner)
        owner = QApplication::activeModalWidget();
    QMessageBox box(IconFor(nType), QString::fromStdString(shown.caption),
                    QString::fromStdString(shown.text), QMessageBox::NoButton, owner);
    box.setTextFormat(Qt::PlainText);
    std::vector<std::pair<QPushButton*, int>> buttons;
    if ((nType & MB_TYPEMASK) == MB_YESNO) {
        buttons.emplace_back(box.addButton(QMessageBox::Yes), IDYES);
        buttons.emplace_back(box.addButton(QMessageBox::No), IDNO);
    } else {
        buttons.emplace_back(box.addButton(QMessageBox::Ok), IDOK);
    }
    const std::size_t defaultIndex = (nType & MB_DEFBUTTON2) && buttons.size() > 1 ? 1 : 0;
    box.setDefaultButton(buttons[defaultIndex].first);
    // Esc means the last button (No) or OK when it is the only one.
    box.setEscapeButton(buttons.back().first);
    box.exec();
    for (const auto& [button, id] : buttons)
        if (box.clickedButton() == button)
            return id;
    return buttons.back().second;
}
