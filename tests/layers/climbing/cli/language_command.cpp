// The console program may not reach the GUI program.
#include "app/gui_main.h"
