#include "popups/VellNameEntryPopup.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace popups {

std::wstring FirstLineOf(HWND edit, size_t maxLength) {
    if (edit == nullptr || !IsWindow(edit))
        return {};
    LRESULT first = SendMessageW(edit, EM_LINEINDEX, 0, 0);
    if (first < 0)
        return {};
    size_t length = static_cast<size_t>(SendMessageW(edit, EM_LINELENGTH, static_cast<WPARAM>(first), 0));
    // EM_GETLINE takes the buffer's size in one 16-bit word.
    length = std::min({length, maxLength, size_t{0xFFFF}});
    if (length == 0)
        return {};
    // EM_GETLINE reads the buffer size from the buffer's first word and does
    // not terminate the copy.
    std::vector<wchar_t> buffer(std::max<size_t>(length, 1) + 1, L'\0');
    buffer[0] = static_cast<wchar_t>(length);
    LRESULT copied = SendMessageW(edit, EM_GETLINE, 0, reinterpret_cast<LPARAM>(buffer.data()));
    if (copied <= 0)
        return {};
    return std::wstring(buffer.data(), std::min(static_cast<size_t>(copied), length));
}

}  // namespace popups

CVellNameEntryPopup::CVellNameEntryPopup(std::wstring skinFile, int templateId, HWND owner,
                                         std::wstring& result)
    : CPopupBox(std::move(skinFile), templateId, owner), m_result(result) {}

HWND CVellNameEntryPopup::EditWindow() const {
    return m_edit != nullptr ? m_edit->Window() : nullptr;
}

void CVellNameEntryPopup::OnInitHook() {
    m_edit = FindItem(kNameEdit, kItemEdit);
}

bool CVellNameEntryPopup::OnInitDialog() {
    CPopupBox::OnInitDialog();
    HWND edit = EditWindow();
    if (edit == nullptr)
        return true;
    SetFocus(edit);
    SendMessageW(edit, EM_SETLIMITTEXT, kMaxNameLength, 0);
    return false;  // the focus was set here
}

void CVellNameEntryPopup::OnOK() {
    // The field's limit keeps typed and pasted names short; the cut here also
    // covers text put into the field by other means.
    std::wstring name = popups::FirstLineOf(EditWindow(), kMaxNameLength);
    // A cut through a character outside the basic plane would leave half of
    // it, which no file or device record can hold: drop the half.
    if (!name.empty() && IS_HIGH_SURROGATE(name.back()))
        name.pop_back();
    m_result = std::move(name);
    End(kResultOk);
}
