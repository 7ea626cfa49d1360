// The host glue lives in host/ (TOLVADEX::HostGlue): programs that still list this file get it from there.
#include "../../../host/host_glue.cpp"
