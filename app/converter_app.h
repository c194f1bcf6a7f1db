// The application object: the program is its main dialog, from start to end.
#pragma once

#include "framework/afxwin.h"

class CConverterApp : public CWinApp {
public:
    CConverterApp();

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
