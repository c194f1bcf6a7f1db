// The one application object; the framework's entry point runs it.
#include "converter_app.h"

CConverterApp theApp;
