#include "controls/ProfileBtn.h"

#include <memory>

#include "controls/ItemText.h"
#include "controls/Picture.h"
#include "win/Gdi.h"
#include "win/MemDC.h"

namespace controls {

std::array<RECT, kProfileColumns> ProfileColumnRects(const RECT& client, int firstTextHeight) {
    const LONG top = (client.bottom - client.top) / 2 - firstTextHeight / 2;
    std::array<RECT, kProfileColumns> columns = {};
    columns[0] = RECT{client.left + 5, top, client.left + 55, client.bottom};
    for (int i = 1; i < kProfileColumns; ++i) {
        const LONG previous = columns[i - 1].right;
        columns[i] = RECT{previous + 5, top, previous + 105, client.bottom};
    }
    return columns;
}

}  // namespace controls

bool CProfileBtn::CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner) {
    return CreateButton(parent, rect, id, owner, kItemProfileButton);
}

void CProfileBtn::SetColumnTexts(const std::wstring& first, const std::wstring& second,
                                 const std::wstring& third, const std::wstring& fourth) {
    m_columns = {first, second, third, fourth};
    Invalidate();
}

void CProfileBtn::SetPictures(const controls::FacePictures& faces, const RECT& rect) {
    m_faces.Cut(faces, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    Invalidate();
}

controls::Face CProfileBtn::ChooseFace(bool pressed, bool disabled) const {
    using controls::Face;
    if (m_isCheckBox)
        return m_checked ? Face::kDown : Face::kNormal;
    return PushButtonFace(pressed, disabled);
}

void CProfileBtn::Paint(HDC dc, bool pressed, bool disabled) {
    RECT client = {};
    GetClientRect(Handle(), &client);
    HBITMAP picture = m_faces.Get(ChooseFace(pressed, disabled));
    if (m_columns[0].empty()) {
        controls::DrawPicture(dc, picture, 0, 0, client.right, client.bottom);
        return;
    }
    win::MemDC memory(dc, &client);
    controls::DrawPicture(memory, picture, 0, 0, client.right, client.bottom);
    win::SaveDCGuard saved(memory);
    win::UniqueFont font;
    controls::PrepareItemText(memory, nullptr, controls::kProfileTextColour, font);
    SIZE first = {};
    GetTextExtentPoint32W(memory, m_columns[0].c_str(), static_cast<int>(m_columns[0].size()), &first);
    auto columns = controls::ProfileColumnRects(client, first.cy);
    for (int i = 0; i < controls::kProfileColumns; ++i) {
        DrawTextW(memory, m_columns[i].c_str(), static_cast<int>(m_columns[i].size()), &columns[i],
                  controls::kProfileColumnFormat);
    }
}

LRESULT CProfileBtn::OnMouseButton(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_LBUTTONUP || !m_isCheckBox)
        return CFacedButton::OnMouseButton(message, wParam, lParam);
    // The press the default processing began ends here without the
    // platform's own notification: the check box sends its own.
    EndPlatformPress();
    m_checked = m_checked ? 0 : 1;
    Invalidate();
    NotifyParent();
    return 0;
}

void CProfileBtn::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    // Only a missing or empty SBMN prevents the button; a face that does not
    // load stays empty.
    const std::wstring normal = skin::ChildText(element, L"SBMN");
    if (normal.empty())
        return;
    controls::FacePictures faces;
    faces.normal = skin::LoadPicture(normal);
    faces.over = skin::LoadPicture(skin::ChildText(element, L"SBMO"));
    faces.down = skin::LoadPicture(skin::ChildText(element, L"SBMD"));
    faces.disabled = skin::LoadPicture(skin::ChildText(element, L"SBMDS"));
    const RECT rect = skin::ItemRect(element, id);
    auto button = std::make_unique<CProfileBtn>();
    if (!button->CreateWindowFor(context.Parent(), rect, id, context.Owner()))
        return;
    // The faces are cut from panel-sized state sheets at the button's place.
    button->SetPictures(faces, rect);
    bool hasTooltip = false;
    const std::wstring tooltip = skin::OverriddenAttribute(element, id, L"tooltip", &hasTooltip);
    if (hasTooltip && !tooltip.empty())
        button->SetTooltip(tooltip);
    context.Add(std::move(button));
}
