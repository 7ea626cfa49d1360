// Dialog Manager: keyboard focus and the 'ZELD' focus tables.
#include "dialogs_services.h"

// PENDING: the dialog focus rules keep each dialog's 'ZELD' table; until then a dialog has none.
Handle DialogFocusTable(WindowPtr) { return nullptr; }

// PENDING: the dialog focus rules read an item's entry flags in a 'ZELD' table; false when it has none.
bool FocusTableEntryFlags(Handle, int16_t, uint8_t *) { return false; }

// PENDING: the dialog focus rules mark an item's mnemonic in its ANSI title with '&'; false when none.
bool MarkItemMnemonic(Handle, int16_t, char *, size_t) { return false; }
