// The program's entry point, as the framework library provides it: the
// application object is the program's own global CWinApp.
#include "framework/win_app.h"

int main(int argc, char** argv) {
    return AfxWinMain(argc, argv);
}
