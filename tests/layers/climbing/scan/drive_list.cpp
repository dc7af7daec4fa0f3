// A scanner that reaches up into the removal: the layer check must name this include.
#include "removal/quarantine.h"
#include "scan/drive_list.h"
#include "platform/text.h"
