#include "framework/message_box.h"

#include <QApplication>
#include <QMessageBox>

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
    const bool yesNo = (nType & MB_TYPEMASK) == MB_YESNO;
    if (UiScript* script = UiScript::Current()) {
        if (script->onMessageBox)
            script->onMessageBox(shown);
        script->messageBoxes.push_back(shown);
        auto& answers = script->messageBoxAnswers;
        if ((nType & MB_TYPEMASK) == MB_OK || answers.empty())
            return yesNo ? IDYES : IDOK;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    if (!owner)
        owner = QApplication::activeModalWidget();
    const auto last = yesNo ? QMessageBox::No : QMessageBox::Ok;
    QMessageBox box(IconFor(nType), QString::fromStdString(shown.caption),
                    QString::fromStdString(shown.text), yesNo ? QMessageBox::Yes | last : last,
                    owner);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(yesNo && !(nType & MB_DEFBUTTON2) ? QMessageBox::Yes : last);
    // Esc means the last button (No) or OK when it is the only one.
    box.setEscapeButton(last);
    const int clicked = box.exec();
    return !yesNo ? IDOK : clicked == QMessageBox::Yes ? IDYES : IDNO;
}
