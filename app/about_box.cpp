#include "app/about_box.h"

CAboutBox::CAboutBox() : CDialog(CAboutBox::IDD) {}
