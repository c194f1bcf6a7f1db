#include "framework/qt/resource_module.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
        if (error)
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
    std::unique_ptr<ResourceModule> module(new ResourceModule());
    if (!rc::ParseResourceScript(name, script, header, module->m_script, error))
        return nullptr;
    module->m_imageDir = imageDir;
    return module;
}

std::unique_ptr<ResourceModule> ResourceModule::FromDirectory(const QString& dir,
                                                              std::string* error) {
    const QStringList scripts = QDir(dir).entryList({"*.rc"}, QDir::Files, QDir::Name);
    if (scripts.size() != 1) {
        if (error)
            *error = dir.toStdString() + ": expected one resource script, found " +
                     std::to_string(scripts.size());
        return nullptr;
    }
    std::string script, header;
    const QString scriptPath = dir + "/" + scripts.front();
    if (!ReadText(scriptPath, script, error) || !ReadText(dir + "/resource.h", header, error))
        return nullptr;
    const QString shownDir = dir.startsWith(":/") ? dir.mid(2) : dir;
    return FromText(script, header, dir, error, (shownDir + "/" + scripts.front()).toStdString());
}

std::unique_ptr<ResourceModule> ResourceModule::Empty() {
    return std::unique_ptr<ResourceModule>(new ResourceModule());
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
    for (int i = 0; i < std::max(1, reader.imageCount()); ++i) {
        if (i > 0 && !reader.jumpToNextImage())
            break;
        QImage image = reader.read();
        if (!image.isNull())
            handle->icon.addPixmap(QPixmap::fromImage(image));
    }
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
    CurrentModule() = ResourceModule::FromDirectory(":/res", error);
    return CurrentModule() != nullptr;
}

ResourceModule& AfxGetResourceModule() {
    if (std::string error; !CurrentModule() && !AfxLoadResourceModule(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        CurrentModule() = ResourceModule::Empty();
    }
    return *CurrentModule();
}

void AfxSetResourceModule(std::unique_ptr<ResourceModule> module) {
    CurrentModule() = std::move(module);
}
