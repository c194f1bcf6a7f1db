#include "framework/qt/dialog_builder.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstdlib>

#include "framework/qt/dialog_window.h"
#include "framework/qt/progress_control.h"
#include "framework/qt/resource_module.h"
#include "framework/qt/updown_control.h"
#include "framework/wnd.h"

namespace {

// Static text shows "&x" as an underlined x and "&&" as "&"; there is no
// mnemonic to underline here, so the prefixes are dropped.
QString WithoutPrefixes(const QString& text) {
    QString plain;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

struct Builder {
    const rc::DialogTemplate& dialog;
    ResourceModule& resources;
    DialogWindow& window;
    std::string* error;

    QWidget* Button(const rc::Control& control) {
        const DWORD type = control.style & BS_TYPEMASK;
        if (type > BS_DEFPUSHBUTTON)
            return nullptr;
        auto* button = new QPushButton(QString::fromStdString(control.text), &window);
        button->setAutoDefault(false);
        button->setDefault(type == BS_DEFPUSHBUTTON);
        if (type == BS_DEFPUSHBUTTON)
            window.defaultButtonId = control.id;
        // The builder is gone by the time of a click.
        QObject::connect(button, &QPushButton::clicked, &window,
                         [dialogWindow = &window, id = control.id, button] {
                             SendMessage(dialogWindow, WM_COMMAND,
                                         MAKEWPARAM(static_cast<unsigned>(id), BN_CLICKED),
                                         reinterpret_cast<LPARAM>(button));
                         });
        return button;
    }

    QWidget* Edit(const rc::Control& control) {
        auto* edit = new QLineEdit(QString::fromStdString(control.text), &window);
        edit->setFrame(control.style & WS_BORDER);
        if (control.style & ES_READONLY) {
            edit->setReadOnly(true);
            // Read-only edits wear the dialog's face colour, so they do not look typeable.
            QPalette palette = edit->palette();
            palette.setColor(QPalette::Base, palette.color(QPalette::Window));
            edit->setPalette(palette);
        }
        return edit;
    }

    QWidget* Static(const rc::Control& control) {
        const DWORD type = control.style & SS_TYPEMASK;
        if (type == SS_ICON || type == SS_BITMAP) {
            const int imageId = std::atoi(control.text.c_str());
            const int side = GetSystemMetrics(SM_CXICON);
            HICON icon = type == SS_ICON ? resources.LoadIcon(imageId) : nullptr;
            const QPixmap image = icon                ? icon->icon.pixmap(side, side)
                                  : type == SS_BITMAP ? resources.LoadBitmap(imageId)
                                                      : QPixmap();
            if (image.isNull())
                return nullptr;
            auto* picture = new QLabel(&window);
            picture->setPixmap(image);
            // Image statics take the size of their image, as on Windows.
            picture->setProperty("naturalSize", image.deviceIndependentSize().toSize());
            return picture;
        }
        if (type != 0) // left-aligned text, the only kind the templates use
            return nullptr;
        const QString text = QString::fromStdString(control.text);
        auto* label =
            new QLabel(control.style & SS_NOPREFIX ? text : WithoutPrefixes(text), &window);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }

    QWidget* Create(const rc::Control& control) {
        const QString className = QString::fromStdString(control.className).toLower();
        if (className == "button")
            return Button(control);
        if (className == "edit")
            return Edit(control);
        if (className == "static")
            return Static(control);
        if (className == "msctls_updown32")
            return new UpDownControl(&window, control.style);
        if (className == "msctls_progress32")
            return new ProgressControl(&window);
        return nullptr;
    }

    void WindowStyle(DialogBaseUnits units) {
        window.setWindowTitle(QString::fromStdString(dialog.caption));
        // A dialog is a window of its own in the task bar, whatever its extended styles.
        Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
        if ((dialog.style & WS_CAPTION) == WS_CAPTION)
            flags |= Qt::WindowTitleHint;
        if (dialog.style & WS_SYSMENU)
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        window.setWindowFlags(flags);
        // Dialog frames do not resize.
        window.setFixedSize(DialogUnitsToPixels(0, 0, dialog.cx, dialog.cy, units).size());
    }

    bool Run() {
        const QFont font = DialogFont(dialog.fontFace, dialog.fontPoints);
        window.setFont(font);
        const DialogBaseUnits units = BaseUnitsOf(font);
        WindowStyle(units);

        QWidget* previous = nullptr;
        QWidget* previousTabStop = nullptr;
        for (const rc::Control& control : dialog.controls) {
            QWidget* widget = Create(control);
            if (!widget) {
                *error = "dialog " + std::to_string(dialog.id) + ", control " +
                         std::to_string(control.id) + ": \"" + control.className +
                         "\" with style " + std::to_string(control.style) + " is not supported";
                return false;
            }
            widget->setProperty(kDlgCtrlIdProperty, control.id);
            QRect area = DialogUnitsToPixels(control.x, control.y, control.cx, control.cy, units);
            if (QVariant natural = widget->property("naturalSize"); natural.isValid())
                area.setSize(natural.toSize());
            widget->setGeometry(area);
            widget->setFont(font);
            if (control.style & WS_DISABLED)
                widget->setEnabled(false);
            if (!(control.style & WS_VISIBLE))
                widget->setVisible(false);

            const bool takesFocus =
                qobject_cast<QPushButton*>(widget) || qobject_cast<QLineEdit*>(widget);
            if (takesFocus) {
                widget->setFocusPolicy(control.style & WS_TABSTOP ? Qt::StrongFocus
                                                                  : Qt::ClickFocus);
                if (control.style & WS_TABSTOP) {
                    if (previousTabStop)
                        QWidget::setTabOrder(previousTabStop, widget);
                    previousTabStop = widget;
                }
            } else {
                widget->setFocusPolicy(Qt::NoFocus);
            }
            if (auto* updown = dynamic_cast<UpDownControl*>(widget);
                updown && (control.style & UDS_AUTOBUDDY))
                updown->SetBuddy(previous);
            window.controls.push_back(widget);
            previous = widget;
        }
        return true;
    }
};

} // namespace

bool BuildDialog(const rc::DialogTemplate& dialog, ResourceModule& resources, DialogWindow& window,
                 std::string* error) {
    return Builder{dialog, resources, window, error}.Run();
}
