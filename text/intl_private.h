// The international state shared by the set-up (international.cpp), the date and time calls
// (intl_dates.cpp) and the Script Manager (script_manager.cpp).
#pragma once

#include "MacTypes.h"
#include "IntlResources.h"

// The date and time formats taken from the Windows locale and WIN.INI "intl" at set-up. Buffers are
// large enough for whatever the set-up writes into them; every text is NUL-terminated.
struct LocaleDateFormat {
    char timeSeparator;
    bool hours24;             // "iTime" 1
    uint8_t leadingZeros;     // 0x80 hour, 0x40 minutes and seconds
    char morning[5];          // "s1159", at most 4 characters
    char evening[5];          // "s2359"
    char suffix24[1];         // always empty
    char dateSeparator;
    char shortPattern[32];    // "sShortDate", at most 15 characters, plus "ddd" in a Japanese session
    char longPattern[128];    // "sLongDate", at most 127 characters
    char abbrevPattern[192];  // the long pattern with its four-letter month and weekday runs shortened
    uint8_t dateOrder;        // 0 month first, 1 day first, 2 year first
    uint8_t weekdayAbbrLength;
    uint8_t monthAbbrLength;  // 0: names are not cut
    bool japanese;            // a double-byte session whose system script is Japanese
    char months[12][16];      // Macintosh characters, NUL-terminated
    char weekdays[7][16];     // Sunday first
};

const LocaleDateFormat &LocaleDates();
const Intl0Rec &LocaleIntl0();
const Intl1Rec &LocaleIntl1();
// The Intl1Rec handle GetIntlResource made from the locale state, or nil when none was made (or the
// 'INTL' 1 resource served instead).
Handle MadeIntl1Handle();

// The system script of the session's locale (GetScriptManagerVariable 18): 0 Roman, 1 Japanese, ...
int16_t SessionSystemScript();

// Builds the locale state and the two international records again from the locale, WIN.INI "intl" and
// the 'INTL' 0 and 1 resources.
void BuildIntlState();

// The Script Manager's part of the set-up: the character-conversion maps of the session's language and
// script, the 'Cmps' sort table and the 'LANG' language.
void InitScriptManagerTables();
