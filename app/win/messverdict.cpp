// messverdict.cpp - the measurement dialog's closing verdicts (see messverdict.h).
#include "messverdict.h"

#include <string>

#include "limitchoice.h"
#include "messdlgres.h"
#include "services.h"
#include "verdicttext.h"
#include "verdictview.h"

namespace {

// In dialog units: three lines in the upper right corner of the live
// curve's plot, below the graph's title, where a closing's curve has long
// fallen back.
const RECT kVerdictRect = {196, 38, 196 + 176, 38 + 26};

} // namespace

void ClosingVerdicts::Prepare(HWND dialog, int measMode)
{
    series_ = measMode == kMeasModeSeries;
    judging_ = series_ && LoadChosenLimitSet(dialog, &set_);
    if (judging_)
        View(dialog, true);
}

HWND ClosingVerdicts::View(HWND dialog, bool create)
{
    HWND view = GetDlgItem(dialog, IDC_MESS_VERDICT);
    if (view || !create)
        return view;
    RECT rect = kVerdictRect;
    MapDialogRect(dialog, &rect);
    view = CreateVerdictView(
        dialog, "", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
        reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), IDC_MESS_VERDICT, true);
    Raise(dialog);
    return view;
}

void ClosingVerdicts::Raise(HWND dialog)
{
    if (HWND view = GetDlgItem(dialog, IDC_MESS_VERDICT))
        SetWindowPos(view, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void ClosingVerdicts::Update(HWND dialog, const MeasRun& run)
{
    if (!series_ || !run.pDescr)
        return;
    int evaluated = run.nMeasNo - 1;
    evaluated = evaluated < 0 ? 0 : evaluated > kMessMeasurements ? kMessMeasurements : evaluated;
    if (evaluated == shown_)
        return;
    shown_ = evaluated;
    SeriesFigures figures;
    if (!ComputeSeriesFigures(*run.pDescr, figures))
        return;
    const std::string text = DialogVerdictText(judging_ ? &set_ : nullptr, figures, evaluated);
    if (HWND view = View(dialog, !text.empty()))
        SetWindowTextA(view, text.c_str());
}
