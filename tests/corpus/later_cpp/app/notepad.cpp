// Notepad: a window of TextEdit text with a vertical scroll bar; typing goes into the text, the bar
// scrolls it a line per arrow click, Command-Q quits.
#include <ConditionalMacros.h>
#include <MacTypes.h>
#include <Quickdraw.h>
#include <Fonts.h>
#include <MacWindows.h>
#include <Controls.h>
#include <TextEdit.h>
#include <Events.h>
#include <Processes.h>

static_assert(!TARGET_API_MAC_CARBON && TARGET_CPU_X86, "the classic interface on x86");

namespace {

class NoteWindow {
public:
    NoteWindow()
    {
        static const unsigned char title[] = "\007Notepad";
        Rect bounds;
        MacSetRect(&bounds, 80, 80, 380, 280);
        window_ = NewWindow(nullptr, &bounds, title, true, documentProc, reinterpret_cast<WindowRef>(-1), true, 0);
        SetPortWindowPort(window_);
        Rect port, bar, text;
        GetWindowPortBounds(window_, &port);
        MacSetRect(&bar, port.right - 15, port.top - 1, port.right + 1, port.bottom - 14);
        static const unsigned char none[] = "";
        scroll_ = NewControl(window_, &bar, none, true, 0, 0, 20, scrollBarProc,
                             reinterpret_cast<long>(this));
        text = port;
        text.right -= 15;
        MacInsetRect(&text, 4, 4);
        text_ = TENew(&text, &text);
    }
    WindowRef Window() const { return window_; }
    void Key(char c) { TEKey(c, text_); }
    void Idle() { TEIdle(text_); }
    void Draw()
    {
        Rect port;
        GetWindowPortBounds(window_, &port);
        EraseRect(&port);
        TEUpdate(&port, text_);
        DrawControls(window_);
    }
    void Click(Point where)
    {
        SetPortWindowPort(window_);
        GlobalToLocal(&where);
        ControlRef hit = nullptr;
        const short part = FindControl(where, window_, &hit);
        if (hit == scroll_ && (part == inUpButton || part == inDownButton))
            // TrackControl takes the action procedure as a plain ProcPtr here.
            TrackControl(hit, where, reinterpret_cast<ProcPtr>(NewControlActionUPP(ScrollAction)));
        else if (!hit)
            TEClick(where, false, text_);
    }

private:
    static pascal void ScrollAction(ControlRef control, short part)
    {
        auto *self = reinterpret_cast<NoteWindow *>(GetControlReference(control));
        const short lines = part == inUpButton ? -1 : 1, value = GetControlValue(control);
        SetControlValue(control, value + lines);
        const short moved = GetControlValue(control) - value;
        TEScroll(0, static_cast<short>(-moved * (**self->text_).lineHeight), self->text_);
    }

    WindowRef window_ = nullptr;
    ControlRef scroll_ = nullptr;
    TEHandle text_ = nullptr;
};

} // namespace

int main()
{
    InitGraf(&qd.thePort);
    InitFonts();
    InitWindows();
    InitMenus();
    TEInit();
    InitCursor();
    NoteWindow note;
    for (;;) {
        EventRecord event;
        note.Idle();
        if (!WaitNextEvent(everyEvent, &event, 5, nullptr))
            continue;
        WindowRef window;
        switch (event.what) {
        case mouseDown:
            if (MacFindWindow(event.where, &window) == inContent && window == note.Window())
                note.Click(event.where);
            break;
        case keyDown:
        case autoKey:
            if ((event.modifiers & cmdKey) && (event.message & charCodeMask) == 'q')
                ExitToShell();
            note.Key(static_cast<char>(event.message & charCodeMask));
            break;
        case updateEvt:
            BeginUpdate(note.Window());
            note.Draw();
            EndUpdate(note.Window());
            break;
        }
    }
}
