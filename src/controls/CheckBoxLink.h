// What a text item needs of the check box it is bound to (checkboxid). The
// skinned check box button implements it; a text item accepts only a button
// that answers IsCheckBox.
#pragma once

#include <windows.h>

#include <cstdint>

class ICheckBoxLink {
public:
    virtual ~ICheckBoxLink() = default;
    virtual bool IsCheckBox() const = 0;
    // Whether a click inverts the state (a page may manage it itself).
    virtual bool TogglesOnClick() const = 0;
    virtual int32_t GetChecked() const = 0;
    // Stores the state and repaints when it changed.
    virtual void SetChecked(int32_t checked) = 0;
    virtual HWND CheckBoxWindow() const = 0;
};
