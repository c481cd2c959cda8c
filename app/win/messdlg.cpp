// messdlg.cpp - the measurement dialog. It hosts the measurement run
// (measrun.h): its initialisation starts the run, timer 1, the buttons and
// the serial link's WM_COMDATA drive it, and DialogLink below carries out
// what the run asks for with the serial link, the graph library and the
// dialog's controls.
#include "messdlg.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>

#include "appstrings.h"
#include "appui.h"
#include "blocktiming.h"
#include "devicestream.h"
#include "dispatch.h"
#include "services.h"
#include "measrun.h"
#include "messdlgres.h"
#include "messverdict.h"
#include "settings.h"
#include "varnok.h"

namespace {

const char kDialogResource[] = "MESSDLG";
constexpr UINT_PTR kBlinkTimer = 1;
constexpr int kTextBufferBytes = 512;

enum LampImage { kRedOn, kRedOff, kGreenOn, kGreenOff, kLampImages };
const char* const kLampResources[kLampImages] = {"REDON", "REDOFF", "GREENON", "GREENOFF"};

// The phase of the 500 ms blink survives from one dialog to the next: it is
// 0 when the program starts.
int gBlinkPhase = 0;

// The open port during the identification, before the receive thread runs.
class HandlePort : public MeasPort {
public:
    void Attach(HANDLE port) { port_ = port; }

    bool WriteBytes(const std::uint8_t* data, std::size_t size) override
    {
        DWORD written = 0;
        return WriteFile(port_, data, static_cast<DWORD>(size), &written, nullptr) &&
               written == size;
    }

    // The link's time-outs end a one-byte read after at most 1010 ms.
    bool ReadByte(std::uint8_t* byte) override
    {
        DWORD read = 0;
        return ReadFile(port_, byte, 1, &read, nullptr) && read == 1;
    }

    void PurgeAndClear() override
    {
        PurgeComm(port_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
        ClearCommBreak(port_);
        DWORD errors = 0;
        COMSTAT status;
        ClearCommError(port_, &errors, &status);
    }

    void Sleep(unsigned ms) override { ::Sleep(ms); }

    // Starting the receive thread purges both queues: the stream-start
    // command written just before must have left the port by then, or the
    // device never starts streaming. A serial port reports what is still
    // queued (waited for at most kDrainLimitMs); a pseudo-terminal reports
    // nothing, so the bytes get kHandOverMs more to reach the other side.
    void WaitUntilSent()
    {
        const DWORD start = GetTickCount();
        for (;;) {
            DWORD errors = 0;
            COMSTAT status{};
            if (!ClearCommError(port_, &errors, &status) || status.cbOutQue == 0)
                break;
            if (GetTickCount() - start >= kDrainLimitMs)
                break;
            ::Sleep(1);
        }
        ::Sleep(kHandOverMs);
    }

private:
    static constexpr DWORD kDrainLimitMs = 200;
    static constexpr DWORD kHandOverMs = 50;
    HANDLE port_ = nullptr;
};

// What the run does to the world, done with the real calls.
class DialogLink : public MeasOutput {
public:
    // messageText and sensorText: the dialog's two 512-byte text buffers.
    DialogLink(HWND dialog, const HBITMAP* lamps, char* messageText, char* sensorText)
        : dialog_(dialog), graph_(GetDlgItem(dialog, IDC_MESS_GRAPH)),
          graphData_(_GetDataPtr(graph_)), value_(GetDlgItem(dialog, IDC_MESS_VALUE)),
          lamps_(lamps), message_(messageText), sensor_(sensorText)
    {
    }

    // The port is opened in the device namespace ("\\.\COM12"): the bare
    // name reaches only COM1 to COM9. Messages keep the bare name.
    MeasPort* OpenLink(const char* portName) override
    {
        char devicePath[32];
        wsprintfA(devicePath, "\\\\.\\%s", portName);
        HANDLE port =
            _InitCom(dialog_, devicePath, kLinkDefinition, kRxBufferBytes, 0, kBlockBytes);
        if (!port)
            return nullptr;
        port_.Attach(port);
        return &port_;
    }
    void EnableLink() override
    {
        port_.WaitUntilSent();
        _EnableCOMThread();
    }
    void CloseLink() override { _CloseCom(); }
    void SendCommand(std::uint8_t command) override { _SendCommand(command); }
    void ShiftCounter(int count) override { _ShiftCounter(count); }

    void RaisePriority() override
    {
        SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
    }
    void RestorePriority() override
    {
        SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
    }
    void StartTimer(unsigned periodMs) override
    {
        SetTimer(dialog_, kBlinkTimer, periodMs, nullptr);
    }
    void StopTimer() override { KillTimer(dialog_, kBlinkTimer); }

    void AddGraph(const MeasGraphSetup& setup) override
    {
        _AddGraph(graph_, setup.name, setup.unit, setup.dMinValue, setup.dMaxValue,
                  static_cast<int16_t>(setup.nMinBit), static_cast<int16_t>(setup.nMaxBit),
                  setup.dTimeBase, setup.nSize);
    }
    void SetGraphStyle(int nStyle, int nXLines, int nYLines, double dStart, double dEnd) override
    {
        _SetGraphStyle(graph_, nStyle, nXLines, nYLines, dStart, dEnd);
    }
    void AppendSamples(const std::int16_t* samples, int count) override
    {
        _AddValues(graph_, 0, samples, count);
        BlockTimingCountSamples(count);
    }
    void SetGraphEnd(int samples) override { _SetGraphBuffEnd(graph_, samples, 0); }
    std::int16_t* GraphSamples() override
    {
        return HasMeasGraph() ? _GetGraphDataPtr(graph_, 0) : nullptr;
    }
    void RepaintGraph() override { InvalidateRect(graph_, nullptr, TRUE); }
    double CountValue(int count, int fullScale) override
    {
        if (!HasMeasGraph())
            return MeasOutput::CountValue(count, fullScale);
        return _Bit2ValByIndex(count, graphData_, 0);
    }

    void SetStatusText(const char* text) override
    {
        SetDlgItemTextA(dialog_, IDC_MESS_STATUS, text);
    }
    // Setting the field repaints it: only a changed text is set.
    void SetValueText(const char* text) override
    {
        if (valueKnown_ && std::strcmp(valueShown_, text) == 0)
            return;
        lstrcpynA(valueShown_, text, sizeof(valueShown_));
        valueKnown_ = std::strlen(text) < sizeof(valueShown_);
        SetWindowTextA(value_, text);
    }

    // The control shows the first line and the lamp label of the second: the
    // calibration date is cut off at the tab after "M".
    void SetSensorLine(const char* text) override
    {
        SetDlgItemTextA(dialog_, IDC_MESS_SENSOR, text);
        GetDlgItemTextA(dialog_, IDC_MESS_SENSOR, sensor_, kTextBufferBytes);
        CutSensorLine(sensor_);
        SetDlgItemTextA(dialog_, IDC_MESS_SENSOR, sensor_);
    }

    // Called for every triplet; a lamp is redrawn only when it changes.
    void ShowLamps(bool redLit, bool greenLit) override
    {
        ShowLamp(IDC_MESS_LAMP_RED, redLit ? kRedOn : kRedOff, &shownRed_);
        ShowLamp(IDC_MESS_LAMP_GREEN, greenLit ? kGreenOn : kGreenOff, &shownGreen_);
    }
    void ShowLampsDark() { ShowLamps(false, false); }

    // Called for every sample while the series waits or settles.
    void EnableRepeatButton(bool enable) override
    {
        if (repeatEnabled_ == static_cast<int>(enable))
            return;
        repeatEnabled_ = enable;
        EnableWindow(GetDlgItem(dialog_, IDC_MESS_REPEAT), enable);
    }

    void PrepareTestMode() override
    {
        SetWindowTextA(dialog_, LoadText(IDS_TEST_MODE_TITLE));
        SetDlgItemTextA(dialog_, IDCANCEL, LoadText(IDS_TEST_MODE_END));
        ShowWindow(GetDlgItem(dialog_, IDC_MESS_REPEAT), SW_HIDE);
    }

    // The box keeps dispatching WM_COMDATA: the run goes on while it is open.
    bool AskYesNo(int stringId) override
    {
        return MessageBoxA(dialog_, LoadText(stringId), kAppCaption, MB_YESNO | MB_ICONQUESTION) ==
               IDYES;
    }

    void ShowError(int stringId, const char* arg) override
    {
        ShowErrorMessage(dialog_, kAppCaption, stringId, arg);
    }

    void CloseDialog(bool seriesComplete) override { EndDialog(dialog_, seriesComplete ? 1 : 0); }

private:
    bool HasMeasGraph() const { return graphData_ && graphData_->nGraphs > 0; }

    void ShowLamp(int control, LampImage image, int* shown)
    {
        if (*shown == image)
            return;
        *shown = image;
        SendDlgItemMessageA(dialog_, control, STM_SETIMAGE, IMAGE_BITMAP,
                            reinterpret_cast<LPARAM>(lamps_[image]));
    }

    const char* LoadText(int stringId) { return LoadAppText(stringId, message_, kTextBufferBytes); }

    HWND dialog_;
    HWND graph_;
    // The graph window's block and the value field, for every block: both
    // live as long as the dialog.
    GraphData* graphData_;
    HWND value_;
    const HBITMAP* lamps_;
    char* message_;
    char* sensor_;
    HandlePort port_;
    int shownRed_ = -1;
    int shownGreen_ = -1;
    int repeatEnabled_ = -1;
    char valueShown_[32] = "";
    bool valueKnown_ = false;
};

struct MessDlgParams {
    int measMode;
    MessDescr* descr;
};

// Everything an open dialog holds besides its controls.
struct MessDlgState {
    MeasRun run;
    HBITMAP lamps[kLampImages];
    char messageText[kTextBufferBytes];
    char sensorText[kTextBufferBytes];
    DialogLink* link;
    ClosingVerdicts verdicts;
};

// Looked up for every block: the dialog's own user word is at hand without
// the window-property lookup.
MessDlgState* StateOf(HWND dialog)
{
    return reinterpret_cast<MessDlgState*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// "COM%d" from the settings' Port index; COM1 when it cannot be read.
void ReadPortName(char* name, std::size_t size)
{
    MakePortName(name, size, true, ReadSettingDword(kPortValue, 0));
}

MeasDate TodayUtc()
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    return MeasDate{now.wDay, now.wMonth, now.wYear};
}

// The value field lies inside the graph and the lamps inside the sensor
// line: they stay on top, and the graph and the sensor line draw around them.
void RaiseInsetControls(HWND dialog)
{
    for (int control : {IDC_MESS_VALUE, IDC_MESS_LAMP_GREEN, IDC_MESS_LAMP_RED})
        SetWindowPos(GetDlgItem(dialog, control), HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

MessDlgState* PrepareDialog(HWND dialog)
{
    auto* state = new (std::nothrow) MessDlgState();
    if (!state)
        return nullptr;
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    RaiseInsetControls(dialog);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (int i = 0; i < kLampImages; ++i)
        state->lamps[i] = LoadBitmapA(instance, kLampResources[i]);
    state->link =
        new (std::nothrow) DialogLink(dialog, state->lamps, state->messageText, state->sensorText);
    if (!state->link)
        return nullptr;
    state->link->ShowLampsDark();
    SetDlgItemTextA(dialog, IDC_MESS_VALUE, "");
    CenterWindowOver(dialog, GetWindow(dialog, GW_OWNER));
    MeasRunInit(&state->run);
    state->run.bBlinkPhase = gBlinkPhase;
    BlockTimingOpen();
    return state;
}

LRESULT OnInitDialog(HWND dialog, UINT, WPARAM, LPARAM lParam)
{
    const auto* params = reinterpret_cast<const MessDlgParams*>(lParam);
    MessDlgState* state = PrepareDialog(dialog);
    if (!state) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    state->verdicts.Prepare(dialog, params->measMode);
    char portName[16];
    ReadPortName(portName, sizeof(portName));
    MeasRunStart(&state->run, params->measMode, params->descr, state->link, portName, TodayUtc());
    return TRUE;
}

LRESULT OnCmdEnd(HWND dialog, WORD, WORD, HWND)
{
    if (MessDlgState* state = StateOf(dialog))
        MeasRunEndRequest(&state->run);
    return TRUE;
}

LRESULT OnCmdRepeat(HWND dialog, WORD, WORD, HWND)
{
    if (MessDlgState* state = StateOf(dialog))
        MeasRunRepeatRequest(&state->run);
    return TRUE;
}

const CommandEntry kCommandEntries[] = {
    {IDOK, OnCmdEnd},
    {IDCANCEL, OnCmdEnd},
    {IDC_MESS_REPEAT, OnCmdRepeat},
};
const CommandTable kCommandTable = MakeCommandTable(kCommandEntries, kNoDefault);

LRESULT OnCommand(HWND dialog, UINT, WPARAM wParam, LPARAM lParam)
{
    return DispatchCommandTable(kCommandTable, dialog, wParam, lParam);
}

LRESULT OnTimer(HWND dialog, UINT, WPARAM timerId, LPARAM)
{
    MessDlgState* state = StateOf(dialog);
    if (state && timerId == kBlinkTimer) {
        MeasRunTimerTick(&state->run);
        gBlinkPhase = state->run.bBlinkPhase;
    }
    return TRUE;
}

// A block that still arrives after the end procedure is not handled (the run
// checks that itself) and not timed: the block benchmark counts the samples
// of every timed block as handled.
LRESULT OnComData(HWND dialog, UINT, WPARAM size, LPARAM block)
{
    if (MessDlgState* state = StateOf(dialog)) {
        const bool timed = !MeasRunEnded(&state->run);
        if (timed)
            BlockTimingBegin();
        MeasRunBlock(&state->run, reinterpret_cast<const std::uint8_t*>(block), size);
        if (timed)
            BlockTimingEnd();
        state->verdicts.Update(dialog, state->run);
    }
    return TRUE;
}

// The value field is repainted with every block. Its colours are the ones
// the dialog would give it anyway; answering here spares the default
// handling, which under Wine asks the server for the dialog's theme texture
// on every repaint.
LRESULT OnCtlColorStatic(HWND, UINT, WPARAM dc, LPARAM control)
{
    if (GetDlgCtrlID(reinterpret_cast<HWND>(control)) != IDC_MESS_VALUE)
        return FALSE;
    SetBkColor(reinterpret_cast<HDC>(dc), GetSysColor(COLOR_BTNFACE));
    SetTextColor(reinterpret_cast<HDC>(dc), GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT OnDestroy(HWND dialog, UINT, WPARAM, LPARAM)
{
    MessDlgState* state = StateOf(dialog);
    SetWindowLongPtrA(dialog, DWLP_USER, 0);
    if (!state)
        return 0;
    // A run that did not reach its end (the dialog destroyed from outside)
    // still closes the port and gives the priority back.
    if (state->run.pOut && !MeasRunEnded(&state->run)) {
        state->link->StopTimer();
        state->link->CloseLink();
        state->link->RestorePriority();
    }
    gBlinkPhase = state->run.bBlinkPhase;
    BlockTimingClose();
    for (HBITMAP lamp : state->lamps)
        if (lamp)
            DeleteObject(lamp);
    delete state->link;
    delete state;
    return 0;
}

const MessageEntry kMessageEntries[] = {
    {WM_INITDIALOG, OnInitDialog},
    {WM_COMMAND, OnCommand},
    {WM_TIMER, OnTimer},
    {WM_COMDATA, OnComData},
    {WM_CTLCOLORSTATIC, OnCtlColorStatic},
    {WM_DESTROY, OnDestroy},
};
const MessageTable kMessageTable = MakeMessageTable(kMessageEntries, kNoDefault);

INT_PTR CALLBACK MessDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DispatchMessageTable(kMessageTable, dialog, message, wParam, lParam);
}

} // namespace

bool RunMeasurementDialog(HWND owner, int measMode, MessDescr* descr)
{
    MessDlgParams params{measMode, descr};
    return DialogBoxParamA(GetModuleHandleA(nullptr), kDialogResource, owner, MessDlgProc,
                           reinterpret_cast<LPARAM>(&params)) == 1;
}
