// The host glue lives in host/ (TOLVADEX::HostGlue): programs that still include this header get it from there.
#include "../../../host/host_glue.h"
