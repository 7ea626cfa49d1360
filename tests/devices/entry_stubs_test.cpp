// Entry points that link and answer: the Sound Manager, Text Services and the input-method glue, the
// Movie Toolbox and Image Compression Manager, the Edition Manager, AppleTalk, OSA and PPC. Each is
// called with its declared number of arguments through a raw argument list: its result (at its width),
// the bytes it removes from the stack and its report through DebugStr.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

#include "test_support.h"
#include "stub_calls.h"
#include "AppleTalk.h"
#include "Editions.h"
#include "ImageCompression.h"
#include "Movies.h"
#include "OSA.h"
#include "PPCToolbox.h"
#include "Sound.h"
#include "TextServices.h"

namespace {

enum Width : uint32_t { none = 0, w8 = 0xFF, w16 = 0xFFFF, w32 = 0xFFFFFFFF };

struct Case {
    const char *name;
    const void *proc;
    int32_t arguments;
    Width width;
    uint32_t result;
    const char *message; // nullptr: silent
    uint32_t nilArguments = 0; // bit i: argument i is an out-pointer, passed nil
};

#define E(fn) #fn, reinterpret_cast<const void *>(fn)

const std::vector<Case> &Cases()
{
    static const std::vector<Case> cases = {
        // Sound Manager
        {E(SndDoCommand), 3, w16, 0, "SndDoCommand"},
        {E(SndNewChannel), 4, w16, 0, "SndNewChannel", 1},
        {E(SndDisposeChannel), 2, w16, 0, "SndDisposeChannel"},
        {E(SndPlay), 3, w16, 0, "SndPlay"},
        // Text Services
        {E(InitTSMAwareApplication), 0, w16, 0, "InitTSMAwareApplication"},
        {E(CloseTSMAwareApplication), 0, w16, 0, "CloseTSMAwareApplication"},
        {E(NewTSMDocument), 4, w16, 0, "NewTSMDocument"},
        {E(DeleteTSMDocument), 1, w16, 0, "DeleteTSMDocument"},
        {E(ActivateTSMDocument), 1, w16, 0, "ActivateTSMDocument"},
        {E(DeactivateTSMDocument), 1, w16, 0, "DeactivateTSMDocument"},
        {E(FixTSMDocument), 1, w16, 0, "FixTSMDocument"},
        {E(TSMEvent), 1, w8, 0, "TSMEvent"},
        {E(TSMMenuSelect), 1, w8, 0, "TSMMenuSelect"},
        {E(SetTSMCursor), 1, w8, 0, "SetTSMCursor"},
        {E(UseInputWindow), 2, w16, 0, "UseInputWindow"},
        {E(TMChoose), 4, w16, 0, nullptr},
        {E(TMSetSelection), 3, none, 0, "TMSetSelection"},
        {E(ZEL_IMEGetConversionMode), 1, w32, 0, nullptr},
        {E(ZEL_IMEGetStringSize), 1, w16, 0, nullptr},
        {E(ZEL_IMEFlushInput), 1, w32, 0, nullptr},
        {E(ZEL_IMEDetermineString), 1, w32, 0, nullptr},
        {E(ZEL_IMESetConversionFont), 4, none, 0, nullptr},
        {E(ZEL_IMESetConversionMode), 2, w32, 0, nullptr},
        {E(ZEL_IMESetWindowPos), 4, w16, 0, nullptr},
        {E(ZEL_IMESetWindowBounds), 4, w16, 0, nullptr},
        {E(ZEL_IMESetToDefault), 1, w16, 0, nullptr},
        {E(ZEL_IMEActivate), 2, w32, 0xFFFFFFFF, nullptr},
        // Movie Toolbox and movie controller
        {E(AddMovieResource), 4, w16, 0, "AddMovieResource", 1 << 2},
        {E(ClearMoviesStickyError), 0, none, 0, "ClearMoviesStickyError"},
        {E(CloseMovieFile), 1, w16, 0, "CloseMovieFile"},
        {E(CreateMovieFile), 6, w16, 0, "CreateMovieFile", 1 << 4 | 1 << 5},
        {E(DisposeMovie), 1, none, 0, "DisposeMovie"},
        {E(EnterMovies), 0, w16, 0, "EnterMovies"},
        {E(ExitMovies), 0, none, 0, "ExitMovies"},
        {E(GetMovieBox), 2, none, 0, "GetMovieBox", 1 << 1},
        {E(GetMoviePict), 2, w32, 0, "GetMoviePict"},
        {E(GetMoviesError), 0, w16, 0, "GetMoviesError"},
        {E(GetMovieTime), 2, w32, 0, "GetMovieTime"},
        {E(GetMovieTimeScale), 1, w32, 0, "GetMovieTimeScale"},
        {E(MCDoAction), 3, w32, 0, "MCDoAction"},
        {E(MCIsPlayerEvent), 2, w32, 0, "MCIsPlayerEvent"},
        {E(MCSetControllerBoundsRect), 2, w32, 0, "MCSetControllerBoundsRect"},
        {E(NewMovieController), 3, w32, 0, "NewMovieController"},
        {E(NewMovieFromFile), 6, w16, 0, "NewMovieFromFile", 1 << 0},
        {E(NewMovieTrack), 4, w32, 0, "NewMovieTrack"},
        {E(OpenMovieFile), 3, w16, 0, "OpenMovieFile", 1 << 1},
        {E(SetMovieBox), 2, none, 0, "SetMovieBox"},
        {E(SetMovieTimeValue), 2, none, 0, "SetMovieTimeValue"},
        {E(AddMediaSample), 9, w16, 0, "AddMediaSample"},
        {E(BeginMediaEdits), 1, w16, 0, "BeginMediaEdits"},
        {E(EndMediaEdits), 1, w16, 0, "EndMediaEdits"},
        {E(GetMediaDuration), 1, w32, 0, "GetMediaDuration"},
        {E(InsertMediaIntoTrack), 5, w16, 0, "InsertMediaIntoTrack"},
        {E(NewTrackMedia), 5, w32, 0, "NewTrackMedia"},
        {E(DisposeMovieController), 1, none, 0, "DisposeMovieController"},
        {E(GetMovieDuration), 1, w32, 0, "GetMovieDuration"},
        {E(GetMoviesStickyError), 0, w16, 0, "GetMoviesStickyError"},
        {E(MCDraw), 2, w32, 0xFFFFFFFF, nullptr},
        {E(MCGetControllerBoundsRect), 2, w32, 0xFFFFFFFF, nullptr},
        {E(MoviesTask), 2, none, 0, "MoviesTask"},
        {E(PrerollMovie), 3, w16, 0, "PrerollMovie"},
        {E(SetMovieDisplayClipRgn), 2, none, 0, "SetMovieDisplayClipRgn"},
        {E(SetMovieGWorld), 3, none, 0, "SetMovieGWorld"},
        {E(SetMovieTime), 2, none, 0, "SetMovieTime"},
        {E(UpdateMovie), 1, w16, 0, "UpdateMovie"},
        // Image Compression Manager and previews
        {E(CDSequenceEnd), 1, w16, 0, "CDSequenceEnd"},
        {E(CompressSequenceBegin), 14, w16, 0, "CompressSequenceBegin"},
        {E(CompressSequenceFrame), 8, w16, 0, "CompressSequenceFrame"},
        {E(DecompressImage), 7, w16, 0, "DecompressImage"},
        {E(FCompressImage), 13, w16, 0, "FCompressImage"},
        {E(GetMaxCompressionSize), 7, w16, 0, "GetMaxCompressionSize", 1 << 6},
        {E(MakeFilePreview), 2, w16, 0, "MakeFilePreview"},
        {E(DisposeCodecNameList), 1, w16, 0, "DisposeCodecNameList"},
        {E(GetCodecInfo), 3, w16, 0, "GetCodecInfo"},
        {E(GetCodecNameList), 2, w16, 0, "GetCodecNameList", 1 << 0},
        {E(SFPGetFilePreview), 9, none, 0, "SFPGetFilePreview"},
        {E(StandardGetFilePreview), 4, none, 0, nullptr},
        // Edition Manager
        {E(NewSection), 6, w16, 0xFE3E, "NewSection"},
        {E(RegisterSection), 3, w16, 0xFE3E, "RegisterSection"},
        {E(UnRegisterSection), 1, w16, 0xFE3E, "UnRegisterSection"},
        {E(IsRegisteredSection), 1, w16, 0xFE3E, "IsRegisteredSection"},
        {E(AssociateSection), 2, w16, 0xFE3E, "AssociateSection"},
        {E(CreateEditionContainerFile), 3, w16, 0xFE3E, "CreateEditionContatinerFile"},
        {E(DeleteEditionContainerFile), 1, w16, 0xFE3E, "DeleteEditionContainterFile"},
        {E(OpenEdition), 2, w16, 0xFE3E, "OpenEdition"},
        {E(OpenNewEdition), 4, w16, 0xFE3E, "OpenNewEdition"},
        {E(CloseEdition), 2, w16, 0xFE3E, "CloseEdition"},
        {E(EditionHasFormat), 3, w16, 0xFE3E, "EditionHasFormat"},
        {E(ReadEdition), 4, w16, 0xFE3E, "ReadEdition"},
        {E(WriteEdition), 4, w16, 0xFE3E, "WriteEdition"},
        {E(SetEditionFormatMark), 3, w16, 0xFE3E, "SetEditionFormatMark"},
        {E(GetEditionInfo), 2, w16, 0xFE3E, "GetEditionInfo"},
        {E(GoToPublisherSection), 1, w16, 0xFE3E, "GoToPublisherSection"},
        {E(GetLastEditionContainerUsed), 1, w16, 0xFE3E, "GetLastEditionContainerUsed"},
        {E(NewSubscriberDialog), 1, w16, 0xFE3E, "NewSubscriberDialog"},
        {E(NewPublisherDialog), 1, w16, 0xFE3E, "NewPublisherDialog"},
        {E(NewPublisherExpDialog), 6, w16, 0xFE3E, "NewPublisherExpDialog"},
        {E(SectionOptionsDialog), 1, w16, 0xFE3E, "SectionOptionsDialog"},
        {E(SectionOptionsExpDialog), 6, w16, 0xFE3E, "SectionOptionsExpDialog"},
        // AppleTalk
        {E(BuildBDS), 3, w16, 0, "BuildBDS"},
        {E(NBPSetEntity), 4, none, 0, "NBPSetEntity"},
        {E(NBPSetNTE), 5, none, 0, "NBPSetNTE"},
        {E(PGetAppleTalkInfo), 2, w16, 0, "PGetAppleTalkInfo"},
        {E(PKillNBP), 2, w16, 0, "PKillNBP"},
        {E(PLookupName), 2, w16, 0, "PLookupName"},
        {E(PRegisterName), 2, w16, 0, "PRegisterName"},
        {E(PRemoveName), 2, w16, 0, "PRemoveName"},
        {E(PSendRequest), 2, w16, 0, "PSendRequest"},
        {E(GetBridgeAddress), 0, w16, 0, "GetBridgeAddress"},
        {E(GetNodeAddress), 2, w16, 0, "GetNodeAddress"},
        {E(MPPOpen), 0, w16, 0, "MPPOpen"},
        {E(NBPExtract), 5, w16, 0, "NBPExtract"},
        {E(POpenATPSkt), 2, w16, 0, "POpenATPSkt"},
        {E(PCloseATPSkt), 2, w16, 0, "PCloseATPSkt"},
        {E(ATPLoad), 0, w16, 0, "ATPLoad"},
        {E(ATPOpenSocket), 2, w16, 0, "ATPOpenSocket"},
        {E(NBPLookup), 2, w16, 0, "NBPLookup"},
        {E(NBPRegister), 2, w16, 0, "NBPRegister"},
        {E(NBPRemove), 1, w16, 0, "NBPRemove"},
        {E(GetMyZone), 2, w16, 0xFFFF, nullptr},
        // OSA, PPC and the file-transfer chooser
        {E(OSADispose), 2, w32, 0, "OSADispose"},
        {E(OSAExecute), 5, w32, 0, "OSAExecute"},
        {E(OSAStore), 5, w32, 0, "OSAStore"},
        {E(OSAGetSource), 4, w32, 0, "OSAGetSource"},
        {E(OSALoad), 4, w32, 0, "OSALoad"},
        {E(OSACompile), 4, w32, 0, "OSACompile"},
        {E(OSASetProperty), 5, w32, 0, "OSASetProperty"},
        {E(OSAGenericToRealID), 3, w32, 0, "OSAGenericToRealID"},
        {E(OSARealToGenericID), 3, w32, 0, "OSARealToGenericID"},
        {E(OSAGetProperty), 5, w32, 0, "OSAGetProperty"},
        {E(OSADoEvent), 5, w32, 0, "OSADoEvent"},
        {E(OSASetResumeDispatchProc), 3, w32, 0, "OSASetResumeDispatchProc"},
        {E(OSAGetResumeDispatchProc), 3, w32, 0, "OSAGetResumeDispatchProc"},
        {E(PPCBrowser), 7, w16, 0, "PPCBROWSER"},
        {E(FTChoose), 3, w16, 0, nullptr},
    };
    return cases;
}

// Dummy arguments: never valid addresses, so a stub that wrote through one would fault.
std::vector<uint32_t> Arguments(const Case &c)
{
    std::vector<uint32_t> args(16);
    for (size_t i = 0; i < args.size(); ++i)
        args[i] = (i & 1) ? 0x0000BEEFu + static_cast<uint32_t>(i) : 0xDEAD0000u + static_cast<uint32_t>(i);
    for (int i = 0; i < 16; ++i)
        if (c.nilArguments & (1u << i))
            args[static_cast<size_t>(i)] = 0;
    return args;
}

std::vector<std::string> Reports()
{
    std::vector<std::string> messages;
    for (const std::string &m : testing_support::TakeDebugMessages())
        if (m != "\r\n")
            messages.push_back(m);
    return messages;
}

TEST(EntryStubs, AnswerAtTheirWidthRemoveTheirArgumentsAndReportTheirNames)
{
    Reports();
    for (const Case &c : Cases()) {
        std::vector<uint32_t> args = Arguments(c);
        uint32_t result = CallForResult(c.proc, c.arguments, args.data());
        EXPECT_EQ(result & c.width, c.result & c.width) << c.name;
        std::vector<std::string> reports = Reports();
        std::vector<std::string> expected;
        if (c.message)
            expected.push_back(c.message);
        EXPECT_EQ(reports, expected) << c.name;
        EXPECT_EQ(BytesRemovedByCallee(c.proc, c.arguments, args.data()), 4 * c.arguments) << c.name;
        Reports();
    }
}

TEST(EntryStubs, SilentSessionSameResults)
{
    uint32_t previous = ZEL_SetFlags(zelFlagSilentDebugStr, zelFlagSilentDebugStr, 0, 0);
    Reports();
    for (const Case &c : Cases()) {
        std::vector<uint32_t> args = Arguments(c);
        uint32_t result = CallForResult(c.proc, c.arguments, args.data());
        EXPECT_EQ(result & c.width, c.result & c.width) << c.name;
    }
    EXPECT_TRUE(Reports().empty());
    ZEL_SetFlags(zelFlagSilentDebugStr, previous, 0, 0);
}

TEST(EntryStubs, OnlyTheInterfaceIsExported)
{
    HMODULE library = GetModuleHandleA("TOLVADEX.dll");
    ASSERT_NE(library, nullptr);
    for (const Case &c : Cases())
        EXPECT_NE(GetProcAddress(library, c.name), nullptr) << c.name;
    for (const char *hidden : {"GetMovieRate", "GoToBeginningOfMovie", "GoToEndOfMovie", "IsMovieDone", "SetMovieRate",
                               "StartMovie", "StopMovie"})
        EXPECT_EQ(GetProcAddress(library, hidden), nullptr) << hidden;
}

// Calls that answer "no error" leave their out-values empty rather than as the caller left them.
TEST(EntryStubs, QuickTimeOutValuesComeBackEmpty)
{
    const int16_t filled16 = static_cast<int16_t>(0xA5A5);
    Movie movie;
    int16_t refNum, resId;
    memset(&movie, 0xA5, sizeof movie);
    EXPECT_EQ(NewMovieFromFile(&movie, 1, nullptr, nullptr, 0, nullptr), 0);
    EXPECT_EQ(movie, nullptr);

    refNum = filled16;
    EXPECT_EQ(OpenMovieFile(nullptr, &refNum, 1), 0);
    EXPECT_EQ(refNum, 0);

    refNum = filled16;
    memset(&movie, 0xA5, sizeof movie);
    EXPECT_EQ(CreateMovieFile(nullptr, 0, 0, 0, &refNum, &movie), 0);
    EXPECT_EQ(refNum, 0);
    EXPECT_EQ(movie, nullptr);

    resId = filled16;
    EXPECT_EQ(AddMovieResource(nullptr, 1, &resId, nullptr), 0);
    EXPECT_EQ(resId, 0);

    Rect box;
    memset(&box, 0xA5, sizeof box);
    GetMovieBox(nullptr, &box);
    EXPECT_TRUE(box.top == 0 && box.left == 0 && box.bottom == 0 && box.right == 0);

    int32_t size;
    memset(&size, 0xA5, sizeof size);
    EXPECT_EQ(GetMaxCompressionSize(nullptr, nullptr, 8, 0, 0, nullptr, &size), 0);
    EXPECT_EQ(size, 0);

    CodecNameSpecListPtr list;
    memset(&list, 0xA5, sizeof list);
    EXPECT_EQ(GetCodecNameList(&list, 1), 0);
    EXPECT_EQ(list, nullptr);

    SndChannelPtr channel;
    memset(&channel, 0xA5, sizeof channel);
    SndChannelPtr before = channel;
    EXPECT_EQ(SndNewChannel(&channel, 5, 0, nullptr), 0);
    EXPECT_EQ(channel, before) << "no channel is made";
    Reports();
}

TEST(EntryStubs, SoundVolumeIsKept)
{
    int16_t level = 99;
    EXPECT_EQ(SetSoundVol(7), 7);
    EXPECT_EQ(GetSoundVol(&level), 7);
    EXPECT_EQ(level, 7);
    EXPECT_EQ(SetSoundVol(-3), -3);
    EXPECT_EQ(GetSoundVol(&level), -3);
    EXPECT_EQ(level, -3);
    EXPECT_EQ(GetSoundVol(nullptr), -3);
}

BOOL CALLBACK CountWindow(HWND, LPARAM count)
{
    ++*reinterpret_cast<int *>(count);
    return TRUE;
}

TEST(EntryStubs, FilePreviewShowsNothing)
{
    int before = 0, after = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&before));
    StandardFileReply reply;
    memset(&reply, 0xA5, sizeof reply);
    StandardGetFilePreview(nullptr, -1, nullptr, &reply);
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&after));
    EXPECT_EQ(after, before);
    EXPECT_TRUE(Reports().empty());
}

// Library setting 74 (mouse-moved events) also silences the Edition Manager's start-up call.
TEST(EntryStubs, EditionManagerFollowsSetting74)
{
    uint32_t flags = ZEL_SetFlags(0, 0, 0, 0);
    uint32_t was75 = ZEL_SystemValue(0, 75, 0);
    uint32_t was74 = ZEL_SystemValue(1, 74, 1);
    Reports();
    EXPECT_EQ(InitEditionPackVersion(1), 0);
    EXPECT_TRUE(Reports().empty());
    ZEL_SystemValue(1, 74, 0);
    EXPECT_EQ(InitEditionPackVersion(1), -108);
    EXPECT_EQ(Reports(), std::vector<std::string>{"InitEditionPack"});
    ZEL_SystemValue(1, 74, was74);
    ZEL_SystemValue(1, 75, was75);
    ZEL_SetFlags(0x10000, flags, 0, 0);
}

} // namespace
