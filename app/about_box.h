// The About box, opened from the main dialog's system menu.
#pragma once

#include "framework/afxwin.h"
#include "res/resource.h"

class CAboutBox : public CDialog {
public:
    CAboutBox();

    enum { IDD = IDD_ABOUT };
};
