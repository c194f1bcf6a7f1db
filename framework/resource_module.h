// The program's resources as the dialogs use them: the resource script parsed
// at run time (dialog templates, string table) and the images it names, read
// from the files embedded under :/res. Icons are loaded once and shared, as
// resource icons are on Windows.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <map>
#include <memory>
#include <string>

#include "framework/resource_script.h"
#include "framework/win_types.h"

struct HICON__ {
    QIcon icon;
};

class ResourceModule {
public:
    // Parses the script text with the symbols of its resource.h; image file
    // names in the script are taken relative to imageDir. Null with *error
    // naming the fault when the script cannot be read.
    static std::unique_ptr<ResourceModule> FromText(const std::string& script,
                                                    const std::string& header,
                                                    const QString& imageDir, std::string* error);
    // A module with no resources: every lookup fails.
    static std::unique_ptr<ResourceModule> Empty();
    // Reads the single *.rc file and the resource.h found in dir.
    static std::unique_ptr<ResourceModule> FromDirectory(const QString& dir, std::string* error);

    const rc::DialogTemplate* FindDialog(int id) const;
    const std::string* FindString(int id) const;
    HICON LoadIcon(int id); // null when the script names no such icon or it cannot be read
    QPixmap LoadBitmap(int id) const;
    // A resource reference as written in a template: a number or a symbol; -1 if unknown.
    int ResolveId(const std::string& nameOrNumber) const;
    const rc::ResourceScript& Script() const { return m_script; }

private:
    ResourceModule() = default;
    QString ImagePath(const std::string& nameInScript) const;

    rc::ResourceScript m_script;
    std::map<std::string, int> m_symbols;
    QString m_imageDir;
    std::map<int, std::unique_ptr<HICON__>> m_icons;
};

// The program's resources: on first use read from :/res, the folder the
// resources library embeds. When they cannot be read the reason is printed
// once and an empty module is returned, so every lookup fails cleanly.
ResourceModule& AfxGetResourceModule();
// Replaces the program's resources (tests use their own templates).
void AfxSetResourceModule(std::unique_ptr<ResourceModule> module);
