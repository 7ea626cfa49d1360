/* Icons: black-and-white and colour icons, icon families by resource ID ('ICN#', 'ics#', 'icl8', 'ics8'),
   icon suites, mini icons ('icm#', 'icm8') and small icon lists ('SICN'), plotted on the current port. */
#ifndef TOLVADEX_ICONS_H
#define TOLVADEX_ICONS_H
#define __ICONS__

#include "Quickdraw.h"

/* A suite is a 6-byte handle: the family's resource ID, then the selector it was made with. */
typedef Handle IconSuiteHandle;
typedef int16_t IconAlignmentType;
typedef int16_t IconTransformType;
typedef uint32_t IconSelectorValue;

/* Alignment: a vertical part (1 centre, 2 top, 3 bottom) plus a horizontal part (4 centre, 8 left,
   12 right). */
enum {
    atNone = 0,
    atVerticalCenter = 1,
    atTop = 2,
    atBottom = 3,
    atHorizontalCenter = 4,
    atAbsoluteCenter = 5,
    atLeft = 8,
    atRight = 12
};
/* Transforms: ttDisabled draws the icon dimmed, ttOffline covers it with gray. */
enum { ttNone = 0, ttDisabled = 1, ttOffline = 2 };
/* Selectors: every kind of data, or the mini icons only. */
enum { svAllAvailableData = (int32_t)0xFFFFFFFF, svAllSmallData = 0x00FF0000 };

ZEL_API void ZEL_CALL PlotIcon(const Rect *theRect, Handle theIcon);
ZEL_API void ZEL_CALL PlotCIcon(const Rect *theRect, CIconHandle theIcon);
ZEL_API OSErr ZEL_CALL PlotIconID(const Rect *theRect, IconAlignmentType align, IconTransformType transform,
                                  int16_t theResID);
/* Not built: reports itself and answers 0. */
ZEL_API OSErr ZEL_CALL PlotIconMethod(const Rect *theRect, IconAlignmentType align, IconTransformType transform,
                                      void *theMethod, void *yourDataPtr);
/* Makes the suite {theResID, selector}; no resource is loaded until the suite is plotted. */
ZEL_API OSErr ZEL_CALL GetIconSuite(IconSuiteHandle *theIconSuite, int16_t theResID, IconSelectorValue selector);
ZEL_API OSErr ZEL_CALL DisposeIconSuite(IconSuiteHandle theIconSuite, Boolean disposeData);
ZEL_API OSErr ZEL_CALL PlotIconSuite(const Rect *theRect, IconAlignmentType align, IconTransformType transform,
                                     IconSuiteHandle theIconSuite);
/* Icon regions and hit testing are the rectangle's. */
ZEL_API OSErr ZEL_CALL IconSuiteToRgn(RgnHandle theRgn, const Rect *iconRect, IconAlignmentType align,
                                      IconSuiteHandle theIconSuite);
ZEL_API Boolean ZEL_CALL PtInIconID(Point testPt, const Rect *iconRect, IconAlignmentType align, int16_t iconID);
ZEL_API Boolean ZEL_CALL PtInIconSuite(Point testPt, const Rect *iconRect, IconAlignmentType align,
                                       IconSuiteHandle theIconSuite);
ZEL_API OSErr ZEL_CALL PlotSICNHandle(const Rect *theRect, IconAlignmentType align, IconTransformType transform,
                                      Handle theSICN);


/* Earlier names of renamed calls. */
#ifndef TOLVADEX_BUILDING
#define DisposIconSuite DisposeIconSuite
#endif

#endif
