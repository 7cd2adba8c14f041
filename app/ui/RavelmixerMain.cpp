// The program's one application object; the entry point of the framework runs it.
#include "app/ui/RavelmixerApp.h"

CRavelmixerApp theApp;
