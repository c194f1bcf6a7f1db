#include "framework/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "framework/qt/ui_script.h"
#include "framework/win_app.h"

namespace {

QMessageBox::Icon IconFor(UINT nType) {
    switch (nType & MB_ICONMASK) {
    case MB_ICONSTOP:
        return QMessageBox::Critical;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int ShowMessageBox(HWND owner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) {
    ShownMessageBox shown;
    shown.caption = lpszCaption ? lpszCaption : AfxGetAppName();
    shown.text = lpszText ? lpszText : "";
    shown.type = nType;

    if (UiScript* script = UiScript::Current()) {
        if (script->onMessageBox)
            script->onMessageBox(shown);
        shown.answer = script->NextMessageBoxAnswer(nType);
        script->messageBoxes.push_back(shown);
        return shown.answer;
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

int AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT) {
    return ShowMessageBox(nullptr, lpszText, nullptr, nType);
}
