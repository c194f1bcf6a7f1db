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

#include "framework/qt/resource_script.h"
#include "framework/win_types.h"

struct HICON__ {
    QIcon icon;
};

class ResourceModule {
public:
    ResourceModule() = default; // no resources: every lookup fails
    // Parses the script text with its resource.h; image file names in the
    // script are taken relative to imageDir. Null with *error as
    // "NAME:LINE: cause" when the script cannot be read.
    static std::unique_ptr<ResourceModule> FromText(const std::string& script,
                                                    const std::string& header,
                                                    const QString& imageDir, std::string* error,
                                                    const std::string& name = "script.rc");

    const rc::DialogTemplate* FindDialog(int id) const;
    const std::string* FindString(int id) const;
    HICON LoadIcon(int id); // null when the script names no such icon or it cannot be read
    QPixmap LoadBitmap(int id) const;

private:
    QString ImagePath(const std::string& nameInScript) const;

    rc::ResourceScript m_script;
    QString m_imageDir;
    std::map<int, std::unique_ptr<HICON__>> m_icons;
};

// Reads the program's resources from :/res, where the resources library
// embeds its one script, the script's resource.h and its images; false with
// *error as "res/FILE:LINE: cause" when they cannot be read.
bool AfxLoadResourceModule(std::string* error);
// The program's resources, read on first use. When they cannot be read the
// reason is printed once and every lookup fails.
ResourceModule& AfxGetResourceModule();
// Replaces the program's resources (tests use their own templates).
void AfxSetResourceModule(std::unique_ptr<ResourceModule> module);
