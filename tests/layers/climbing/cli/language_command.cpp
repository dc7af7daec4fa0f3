// The one climb the check lets through, and one it does not.
#include "app/gui_features.h"
#include "app/gui_main.h"
