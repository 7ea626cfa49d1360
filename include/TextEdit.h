/* TextEdit. */
#ifndef TOLVADEX_TEXTEDIT_H
#define TOLVADEX_TEXTEDIT_H

#include "MacTypes.h"
#include "Quickdraw.h"

/* A TextEdit record is reached through its handle. */
struct TERec;
typedef struct TERec **TEHandle;

/* Alignment of a TextEdit record's lines, under both generations' names. */
enum {
    teJustLeft = 0,
    teJustCenter = 1,
    teJustRight = -1,
    teForceLeft = -2,
    teFlushDefault = teJustLeft,
    teCenter = teJustCenter,
    teFlushRight = teJustRight,
    teFlushLeft = teForceLeft
};

#endif
