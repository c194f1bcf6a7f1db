#include "framework/qt/resource_module.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <cstdio>

namespace {

std::unique_ptr<ResourceModule>& CurrentModule() {
    static std::unique_ptr<ResourceModule> module;
    return module;
}

bool ReadText(const QString& path, std::string& out, std::string* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path.toStdString() + ": " + file.errorString().toStdString();
        return false;
    }
    out = file.readAll().toStdString();
    return true;
}

} // namespace

std::unique_ptr<ResourceModule>
ResourceModule::FromText(const std::string& script, const std::string& header,
                         const QString& imageDir, std::string* error, const std::string& name) {
    auto module = std::make_unique<ResourceModule>();
    if (!rc::ParseResourceScript(name, script, header, module->m_script, error))
        return nullptr;
    module->m_imageDir = imageDir;
    return module;
}

const rc::DialogTemplate* ResourceModule::FindDialog(int id) const {
    auto it = m_script.dialogs.find(id);
    return it == m_script.dialogs.end() ? nullptr : &it->second;
}

const std::string* ResourceModule::FindString(int id) const {
    auto it = m_script.strings.find(id);
    return it == m_script.strings.end() ? nullptr : &it->second;
}

QString ResourceModule::ImagePath(const std::string& nameInScript) const {
    // Scripts written on Windows separate folders with backslashes.
    QString name = QString::fromStdString(nameInScript).replace('\\', '/');
    return QDir(m_imageDir).filePath(name);
}

HICON ResourceModule::LoadIcon(int id) {
    if (auto cached = m_icons.find(id); cached != m_icons.end())
        return cached->second.get();
    auto file = m_script.icons.find(id);
    if (file == m_script.icons.end())
        return nullptr;
    // An icon group holds several sizes; each one is kept so that the window
    // manager and DrawIcon can pick the size they need.
    QImageReader reader(ImagePath(file->second));
    auto handle = std::make_unique<HICON__>();
    do {
        if (const QImage image = reader.read(); !image.isNull())
            handle->icon.addPixmap(QPixmap::fromImage(image));
    } while (reader.jumpToNextImage());
    if (handle->icon.isNull()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(reader.fileName()),
                     qPrintable(reader.errorString()));
        return nullptr;
    }
    HICON result = handle.get();
    m_icons.emplace(id, std::move(handle));
    return result;
}

QPixmap ResourceModule::LoadBitmap(int id) const {
    auto file = m_script.bitmaps.find(id);
    if (file == m_script.bitmaps.end())
        return {};
    return QPixmap(ImagePath(file->second));
}

bool AfxLoadResourceModule(std::string* error) {
    const QStringList scripts = QDir(":/res").entryList({"*.rc"}, QDir::Files);
    if (scripts.size() != 1) {
        *error = "res: expected one resource script, found " + std::to_string(scripts.size());
        return false;
    }
    std::string script, header;
    if (!ReadText(":/res/" + scripts.front(), script, error) ||
        !ReadText(":/res/resource.h", header, error))
        return false;
    CurrentModule() = ResourceModule::FromText(script, header, ":/res", error,
                                               "res/" + scripts.front().toStdString());
    return CurrentModule() != nullptr;
}

ResourceModule& AfxGetResourceModule() {
    if (std::string error; !CurrentModule() && !AfxLoadResourceModule(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        CurrentModule() = std::make_unique<ResourceModule>();
    }
    return *CurrentModule();
}

void AfxSetResourceModule(std::unique_ptr<ResourceModule> module) {
    CurrentModule() = std::move(module);
}
