/* AppleEvent object support: object specifiers, their resolution through the application's object
   accessors, and offset, comparison and range descriptors. */
#ifndef TOLVADEX_AEOBJECTS_H
#define TOLVADEX_AEOBJECTS_H
#define __AEOBJECTS__

#include "AppleEvents.h"

enum {
    keyAEDesiredClass = 0x77616E74, /* 'want' */
    keyAEContainer = 0x66726F6D,    /* 'from' */
    keyAEKeyForm = 0x666F726D,      /* 'form' */
    keyAEKeyData = 0x73656C64,      /* 'seld' */
    typeEnumerated = 0x656E756D,    /* 'enum' */
    formAbsolutePosition = 0x696E6478 /* 'indx' */
};

/* An object accessor: finds the object of the desired class in the container its token names, by the
   key form and key data, and leaves the object's token in theToken. */
typedef OSErr (ZEL_CALL *OSLAccessorProcPtr)(DescType desiredClass, const AEDesc *containerToken,
                                             DescType containerClass, DescType keyForm, const AEDesc *keyData,
                                             AEDesc *theToken, int32_t accessorRefcon);
typedef OSLAccessorProcPtr OSLAccessorUPP;
#define NewOSLAccessorUPP(userRoutine) ((OSLAccessorUPP)(userRoutine))
#define DisposeOSLAccessorUPP(userRoutine) ((void)(userRoutine))
#define NewOSLAccessorProc(userRoutine) ((OSLAccessorUPP)(userRoutine))

ZEL_API OSErr ZEL_CALL AEObjectInit(void);
/* The comparison, counting, token-disposal, marking and error-descriptor callbacks are kept, not called. */
ZEL_API OSErr ZEL_CALL AESetObjectCallbacks(void *myCompareProc, void *myCountProc, void *myDisposeTokenProc,
                                            void *myGetMarkTokenProc, void *myMarkProc, void *myAdjustMarksProc,
                                            void *myGetErrDescProc);
/* One accessor per desired class and container type; '****' serves any. */
ZEL_API OSErr ZEL_CALL AEInstallObjectAccessor(DescType desiredClass, DescType containerType,
                                               OSLAccessorProcPtr theAccessor, int32_t accessorRefcon,
                                               Boolean isSysHandler);
/* An 'obj ' descriptor of the four entries want, from, form and seld, with copies of the container and
   key data (both disposed after when disposeInputs is set). */
ZEL_API OSErr ZEL_CALL CreateObjSpecifier(DescType desiredClass, AEDesc *theContainer, DescType keyForm,
                                          AEDesc *keyData, Boolean disposeInputs, AEDesc *objSpecifier);
/* Resolves from the outermost container inwards, one accessor per level; theToken is the outermost
   container's token and receives the object's. */
ZEL_API OSErr ZEL_CALL AEResolve(const AEDesc *objectSpecifier, int16_t callbackFlags, AEDesc *theToken);
ZEL_API OSErr ZEL_CALL AEDisposeToken(AEDesc *theToken);

/* {'long', the offset}. */
ZEL_API OSErr ZEL_CALL CreateOffsetDescriptor(int32_t theOffset, AEDesc *theDescriptor);
/* Not supported: reports itself and leaves the result untouched. */
ZEL_API OSErr ZEL_CALL CreateCompDescriptor(DescType comparisonOperator, AEDesc *operand1, AEDesc *operand2,
                                            Boolean disposeInputs, AEDesc *theDescriptor);
/* Never builds a descriptor: answers -1. */
ZEL_API OSErr ZEL_CALL CreateRangeDescriptor(const AEDesc *rangeStart, const AEDesc *rangeStop, Boolean disposeInputs,
                                             AEDesc *theDescriptor);

#endif
