// Managers with no work to do on Windows: the Component Manager, the code-calling glue of the Mixed Mode
// era, the standard compression package, the international resource cache and range descriptors. Their
// entry points exist so that host code links and runs; each reports its name and returns a fixed value.
#include "core.h"
#include "AEObjects.h"
#include "Components.h"
#include "MixedMode.h"
#include "QuickTimeComponents.h"
#include "Script.h"

ZEL_STUB(ComponentInstance, OpenDefaultComponent, 0, (OSType, OSType))
ZEL_STUB(OSErr, CloseComponent, 0, (ComponentInstance))
ZEL_STUB(ComponentInstance, OpenStdCompression, 0, (void))
ZEL_STUB(OSErr, CreateRangeDescriptor, -1, (const AEDesc *, const AEDesc *, Boolean, AEDesc *))

ZEL_STUB_VARIADIC_VOID(CallPascal)
ZEL_STUB_VARIADIC(Boolean, CallPascalB, false)
ZEL_STUB_VARIADIC(int16_t, CallPascalW, 0)
ZEL_STUB_VARIADIC(int32_t, CallPascalL, 0)

// Nothing is cached, so there is nothing to clear; it reports nothing either.
ZEL_EXTERN_C void ZEL_CALL ClearIntlResourceCache(void) {}
