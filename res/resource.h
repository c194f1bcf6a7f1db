//{{NO_DEPENDENCIES}}
// Symbols shared by Veltrano.rc and the program's C++ code.
// Used by Veltrano.rc
//
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

// Next default values for new objects
//
#ifdef APSTUDIO_INVOKED
#ifndef APSTUDIO_READONLY_SYMBOLS
#define _APS_NEXT_RESOURCE_VALUE        130
#define _APS_NEXT_COMMAND_VALUE         32771
#define _APS_NEXT_CONTROL_VALUE         1010
#define _APS_NEXT_SYMED_VALUE           101
#endif
#endif
