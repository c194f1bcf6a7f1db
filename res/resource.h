// Symbols shared by Veltrano.rc and the program's C++ code.
#define IDD_ABOUT                       100
#define IDS_ABOUT_MENU                  101
#define IDD_MAIN                        102
#define IDI_MAIN                        128
#define IDB_LOGO                        129
#define IDC_OPEN                        1001
#define IDC_SAVE_AS                     1002
#define IDC_PROGRESS                    1003
#define IDC_START                       1004
#define IDC_FPS                         1005
#define IDC_FPS_SPIN                    1007
#define IDC_SOURCE                      1008
#define IDC_DEST                        1009
#define IDM_ABOUT                       0x0010

#ifndef IDC_STATIC
#define IDC_STATIC                      (-1)
#endif
