#include "tests/framework/test_dialog.h"

BEGIN_MESSAGE_MAP(TestDialog, CDialog)
ON_WM_SYSCOMMAND()
ON_BN_CLICKED(IDC_T_BUTTON, OnButton)
END_MESSAGE_MAP()
