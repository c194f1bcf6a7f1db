// The application object of the test program, as the real program has one.
#include "app/converter_app.h"

CConverterApp theApp;
