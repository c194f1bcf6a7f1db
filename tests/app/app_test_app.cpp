// The application object of the test program, as the real program has one.
#include "converter_app.h"

CConverterApp theApp;
