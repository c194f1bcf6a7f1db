// The About box, opened from the main dialog's system menu.
#pragma once

#include "afxwin.h"
#include "resource.h"

class CAboutBox : public CDialog {
public:
    CAboutBox();

    enum { IDD = IDD_ABOUT };
};
