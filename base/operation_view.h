// The operation-view seam: what a long camera or coding operation shows while it runs. The
// Windows program shows its status and progress dialogs; the command-line tool a terminal
// progress bar; tests record every call and can press Cancel at a chosen point.
#pragma once
#include <cstdint>
#include <string>

// Text fields of the progress and status dialogs.
enum ViewField { kFieldTitle = 301, kFieldDetail = 302, kFieldStatus = 303, kFieldStatusDetail = 304 };

struct OperationView {
    virtual ~OperationView() = default;
    virtual void SetText(int field, const std::string& text) = 0;
    virtual void SetMeterRange(uint32_t range) = 0;
    virtual void SetMeterPos(uint32_t pos) = 0;
    // Shows and enables, or hides and disables, the Cancel button.
    virtual void ShowCancel(bool shown) = 0;
};

struct NullOperationView : OperationView {
    void SetText(int, const std::string&) override {}
    void SetMeterRange(uint32_t) override {}
    void SetMeterPos(uint32_t) override {}
    void ShowCancel(bool) override {}
};
