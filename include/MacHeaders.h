/* The THINK C prefix: the whole programming interface for source that includes nothing, as THINK C's
   "MacHeaders" gave it, with QuickDraw's globals under their plain names (thePort, screenBits, randSeed,
   arrow and the five patterns) standing for the fields of qd. A project force-includes it in front of
   each C file (-include MacHeaders.h). fp.h, whose names take over the C runtime's, and the host glue's
   Zel.h are left out. */
#ifndef TOLVADEX_MACHEADERS_H
#define TOLVADEX_MACHEADERS_H
#define __MACHEADERS__

#include "AEObjects.h"
#include "Aliases.h"
#include "AppleEvents.h"
#include "AppleTalk.h"
#include "Balloons.h"
#include "ByteOrder.h"
#include "ColorPicker.h"
#include "Components.h"
#include "ConditionalMacros.h"
#include "Controls.h"
#include "DateTimeUtils.h"
#include "Desk.h"
#include "Devices.h"
#include "Dialogs.h"
#include "Drag.h"
#include "Editions.h"
#include "Events.h"
#include "Files.h"
#include "FixMath.h"
#include "Fonts.h"
#include "Gestalt.h"
#include "Icons.h"
#include "ImageCompression.h"
#include "IntlResources.h"
#include "Lists.h"
#include "LowMem.h"
#include "MIDI.h"
#include "MacMemory.h"
#include "MacTypes.h"
#include "MacWindows.h"
#include "Menus.h"
#include "MixedMode.h"
#include "Movies.h"
#include "Notification.h"
#include "NumberFormatting.h"
#include "OSA.h"
#include "OSUtils.h"
#include "PLStringFuncs.h"
#include "PPCToolbox.h"
#include "Palettes.h"
#include "Printing.h"
#include "Processes.h"
#include "QDOffscreen.h"
#include "QuickTimeComponents.h"
#include "Quickdraw.h"
#include "Resources.h"
#include "Retrace.h"
#include "SANE.h"
#include "Scrap.h"
#include "Script.h"
#include "SegLoad.h"
#include "Serial.h"
#include "Sound.h"
#include "StandardFile.h"
#include "TextEdit.h"
#include "TextServices.h"
#include "TextUtils.h"
#include "Threads.h"
#include "ToolUtils.h"
#include "Traps.h"

/* QuickDraw's globals as THINK C named them. qd is the library's record, or the program's own when it
   defines one. */
#define thePort qd.thePort
#define screenBits qd.screenBits
#define randSeed qd.randSeed
#define arrow qd.arrow
#define white qd.white
#define black qd.black
#define gray qd.gray
#define ltGray qd.ltGray
#define dkGray qd.dkGray

#endif
