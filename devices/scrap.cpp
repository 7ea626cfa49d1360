// Scrap Manager: the scrap record.
#include "devices_services.h"
#include "../core/core_services.h"
#include "Scrap.h"

ScrapStuff ScrapInfo;

namespace {

unsigned char sScrapFileName[] = "\x09" "scrapfile";

} // namespace

// Fills whichever record the ScrapInfo global lives in: the host's or the library's exported one.
void InitScrapInfo()
{
    ScrapStuff &scrap = LowMem<ScrapStuff>(lmScrapInfo);
    scrap.scrapSize = 0;
    scrap.scrapHandle = nullptr;
    scrap.scrapCount = 1;
    scrap.scrapState = 0;
    scrap.scrapName = sScrapFileName;
}
