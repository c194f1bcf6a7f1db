#include "framework/file_dialog.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "framework/message_box.h"
#include "framework/qt/ui_script.h"

namespace {

// The folder of the last name chosen, where the next dialog opens, as the
// system's file dialogs do. Kept for the life of the program only.
QString& LastFolder() {
    static QString folder;
    return folder;
}

// Where the file name starts in a path: after its last '/'.
std::size_t NameStart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// The folder of a path whose file name starts at nameStart; the root keeps its slash.
QString FolderPart(const std::string& path, std::size_t nameStart) {
    return QFile::decodeName(path.substr(0, nameStart > 1 ? nameStart - 1 : nameStart).c_str());
}

} // namespace

std::vector<std::string> ConvertFileFilter(const std::string& filter) {
    std::vector<std::string> filters;
    const QStringList parts = QString::fromStdString(filter).split('|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString& patterns = parts[i + 1];
        if (description.isEmpty() && patterns.isEmpty())
            break; // the "||" that ends the list
        QStringList shown;
        for (const QString& pattern : patterns.split(';')) {
            if (const QString trimmed = pattern.trimmed(); !trimmed.isEmpty())
                shown << (trimmed == "*.*" ? "*" : trimmed);
        }
        if (description.endsWith("(" + patterns + ")"))
            description = description.chopped(patterns.size() + 2).trimmed();
        filters.push_back((description + " (" + shown.join(' ') + ")").toStdString());
    }
    return filters;
}

std::string WithDefaultExtension(const std::string& path, const std::string& ext) {
    if (ext.empty() || path.empty())
        return path;
    const std::string name = path.substr(NameStart(path));
    if (name.empty() || name.find('.') != std::string::npos)
        return path;
    return path + "." + ext;
}

std::string WithExtension(const std::string& path, const std::string& ext) {
    const std::size_t nameStart = NameStart(path);
    const std::size_t dot = path.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    return (hasExtension ? path.substr(0, dot) : path) + "." + ext;
}

std::string CFileDialog::AskOnce(const std::vector<std::string>& filters) {
    const char* title = m_bOpen ? "Open" : "Save As";
    const std::string& suggested = m_pathName.str();
    const std::size_t nameStart = NameStart(suggested);
    const QString folder = nameStart == 0 ? LastFolder() : FolderPart(suggested, nameStart);
    const QString name = QFile::decodeName(suggested.substr(nameStart).c_str());
    if (UiScript* script = UiScript::Current()) {
        script->fileDialogs.push_back({m_bOpen, title, filters, m_defExt, m_dwFlags,
                                       folder.toStdString(), name.toStdString()});
        std::string answer;
        if (!script->fileAnswers.empty()) {
            answer = script->fileAnswers.front().value_or(std::string());
            script->fileAnswers.pop_front();
        }
        return WithDefaultExtension(answer, m_defExt);
    }
    QWidget* owner = m_pParentWnd ? m_pParentWnd->m_hWnd : QApplication::activeModalWidget();
    QFileDialog dialog(owner, QString::fromUtf8(title), folder);
    QStringList nameFilters;
    for (const std::string& filter : filters)
        nameFilters << QString::fromStdString(filter);
    dialog.setNameFilters(nameFilters);
    dialog.setAcceptMode(m_bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(m_bOpen && (m_dwFlags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                                  : QFileDialog::AnyFile);
    // Replacing is asked about below, the same way for every name.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!name.isEmpty())
        dialog.selectFile(name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::string();
    return WithDefaultExtension(QFile::encodeName(dialog.selectedFiles().front()).toStdString(),
                                m_defExt);
}

bool CFileDialog::Acceptable(const std::string& path) {
    const QFileInfo file(QFile::decodeName(path.c_str()));
    const char* title = m_bOpen ? "Open" : "Save As";
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    auto refuse = [&](const char* why) {
        ShowMessageBox(owner, (path + "\n" + why).c_str(), title, MB_OK | MB_ICONEXCLAMATION);
        return false;
    };
    if (m_bOpen) {
        if ((m_dwFlags & OFN_FILEMUSTEXIST) && !file.isFile())
            return refuse("File not found.\nCheck the file name and try again.");
        return true;
    }
    if (!file.absoluteDir().exists())
        return refuse("Path does not exist.\nCheck the path and try again.");
    if (file.isDir())
        return refuse("This is a folder, not a file name.");
    if (!(m_dwFlags & OFN_OVERWRITEPROMPT) || !file.exists())
        return true;
    const std::string question =
        file.fileName().toStdString() + " already exists.\nDo you want to replace it?";
    return ShowMessageBox(owner, question.c_str(), "Confirm Save As",
                          MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES;
}

INT_PTR CFileDialog::DoModal() {
    const std::vector<std::string> filters = ConvertFileFilter(m_filter);
    for (;;) {
        const std::string path = AskOnce(filters);
        if (path.empty())
            return IDCANCEL;
        if (Acceptable(path)) {
            m_pathName = CString(path);
            LastFolder() = QFileInfo(QFile::decodeName(path.c_str())).absolutePath();
            return IDOK;
        }
    }
}
