// The "Seeking for KLV" window: a progress bar over the timed search and a
// Cancel button; also asks the failure question once the window is gone.
#pragma once

#include <windows.h>

#include "seek_session.h"

namespace findport {

class ProgressWindow : public SeekWindow {
public:
    explicit ProgressWindow(HINSTANCE instance) : instance_(instance) {}
    ~ProgressWindow() override;
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    void Open() override;
    bool WaitForEvent(uint32_t maxMs) override;
    void SetProgress(uint32_t elapsedMs) override;
    void Close() override;
    bool AskSearchAgain() override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT OnNcCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT OnCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT OnCmdCancel(HWND window, WORD command, WORD code, HWND control);
    void CreateGadgets();

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HWND progress_ = nullptr;
    bool cancelClicked_ = false;
};

} // namespace findport
