// The one application object; the framework's entry point runs it.
#include "app/converter_app.h"

CConverterApp theApp;
