// Running a modal dialog under a test script: the steps run once the dialog's
// loop is up, and a dialog the steps leave open is ended with kLeftOpen so a
// failing test cannot hang. A dialog that never comes up fails the calling
// test, since its steps, and every check in them, never ran.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <source_location>

#include "framework/dialog.h"
#include "framework/qt/ui_script.h"

inline constexpr int kLeftOpen = -2;

inline INT_PTR RunModal(UiScript& script, CDialog& dialog, std::function<void()> steps,
                        std::function<void(CDialog&)> nested = nullptr,
                        std::source_location caller = std::source_location::current()) {
    bool ran = false;
    script.onDialogShown = [&dialog, &ran, steps, nested](CDialog& shown) {
        if (&shown != &dialog) {
            if (nested)
                nested(shown);
            if (shown.GetSafeHwnd() && shown.GetSafeHwnd()->isVisible())
                shown.EndDialog(kLeftOpen);
            return;
        }
        ran = true;
        steps();
        if (dialog.GetSafeHwnd() && dialog.GetSafeHwnd()->isVisible())
            dialog.EndDialog(kLeftOpen);
    };
    const INT_PTR result = dialog.DoModal();
    script.onDialogShown = nullptr;
    if (!ran)
        ADD_FAILURE_AT(caller.file_name(), caller.line())
            << "the dialog never came up (DoModal gave " << result << "): its steps did not run";
    return result;
}

// Runs `choose` on the popup menu as soon as it is open.
inline void WhenMenuOpens(std::function<void(QMenu&)> choose) {
    QTimer::singleShot(0, [choose] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        choose(*menu);
        if (menu->isVisible())
            menu->close();
    });
}

// The action whose text is `text`, or null.
inline QAction* FindAction(QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

// Counts the paint events of the widgets it is installed on.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};
