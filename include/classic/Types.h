/* The base types under their classic header name. */
#include "../MacTypes.h"
