// A small resource script of the tests' own: one dialog with a control of
// each class the framework builds, so the framework is tested apart from the
// program's dialogs.
#pragma once

#include <memory>
#include <string>

#include "framework/qt/resource_module.h"

enum TestIds {
    IDD_TEST = 200,
    IDD_BROKEN = 201,
    IDS_TEST = 300,
    IDC_T_VALUE = 10,
    IDC_T_SPIN = 11,
    IDC_T_PROGRESS = 12,
    IDC_T_BUTTON = 13,
    IDC_T_LABEL = 14,
    IDC_T_TEXT = 15,
    IDC_T_HIDDEN = 16,
};

inline const char kTestHeader[] = R"(
#define IDD_TEST 200
#define IDD_BROKEN 201
#define IDS_TEST 300
#define IDC_T_VALUE 10
#define IDC_T_SPIN 11
#define IDC_T_PROGRESS 12
#define IDC_T_BUTTON 13
#define IDC_T_LABEL 14
#define IDC_T_TEXT 15
#define IDC_T_HIDDEN 16
)";

inline const char kTestScript[] = R"rc(
#include "res/resource.h"
LANGUAGE LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED
#pragma code_page(65001)

IDD_TEST DIALOGEX 0, 0, 200, 80
STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "测试 Dialog"
FONT 9, "宋体", 0, 0, 0x1
BEGIN
    EDITTEXT        IDC_T_VALUE,10,10,40,14,ES_AUTOHSCROLL
    CONTROL         "",IDC_T_SPIN,"msctls_updown32",UDS_SETBUDDYINT | UDS_ALIGNRIGHT |
                    UDS_AUTOBUDDY | UDS_ARROWKEYS,45,10,11,14
    EDITTEXT        IDC_T_TEXT,10,30,100,14,ES_AUTOHSCROLL | ES_READONLY
    PUSHBUTTON      "&Button",IDC_T_BUTTON,140,10,50,14
    DEFPUSHBUTTON   "确定",IDOK,140,30,50,14
    CONTROL         "",IDC_T_PROGRESS,"msctls_progress32",WS_BORDER,10,60,180,12
    LTEXT           "A&&B &label",IDC_T_LABEL,60,12,60,8
    PUSHBUTTON      "Hidden",IDC_T_HIDDEN,140,50,50,8,NOT WS_VISIBLE
END

IDD_BROKEN DIALOGEX 0, 0, 100, 40
STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION
CAPTION "Broken"
FONT 9, "宋体", 0, 0, 0x1
BEGIN
    CONTROL         "",-1,"SysListView32",WS_BORDER,5,5,90,30
END

STRINGTABLE
BEGIN
    IDS_TEST                "测试(&T)"
END
)rc";

inline std::unique_ptr<ResourceModule> TestResources() {
    std::string error;
    auto module = ResourceModule::FromText(kTestScript, kTestHeader, QString(), &error);
    if (!module)
        throw std::runtime_error("test script: " + error);
    return module;
}
