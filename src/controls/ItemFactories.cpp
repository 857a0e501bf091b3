#include "controls/ItemFactories.h"

#include <memory>

#include "controls/APMSlider.h"
#include "controls/AVIButton.h"
#include "controls/BitmapBtn.h"
#include "controls/BitmapItem.h"
#include "controls/BitmapWindow.h"
#include "controls/DMarker.h"
#include "controls/DPIStageWindow.h"
#include "controls/DropdownListItem.h"
#include "controls/EditItem.h"
#include "controls/ListPanelItem.h"
#include "controls/PanelItems.h"
#include "controls/ProfileBtn.h"
#include "controls/SliderHMulti.h"
#include "controls/TextItem.h"
#include "controls/VertSlider.h"
#include "controls/XListCtrl.h"
#include "skin/FontItem.h"
#include "skin/ResourceCache.h"
#include "skin/SkinLoader.h"

namespace controls {
namespace {

// BACKGROUND, MASK: the panel's own copy of the picture the text names. The
// loader gives the fixed id of each and stops the panel when either is not
// made.
void CreatePanelBitmap(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    HBITMAP picture = skin::LoadPicture(skin::Trim(element.Text()));
    context.Add(CPanelBitmap::FromPicture(picture, id, context.Owner()));
}

// FONT: name, typeface, pitch, boldlevel; text: an optional font file in
// fonts\, added before the font is made so the face is found.
void CreateFont(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    std::wstring file = skin::Trim(element.Text());
    if (!file.empty())
        CResourceCache::Instance().Get(file.c_str(), kResourceFontFile);
    auto font =
        std::make_unique<CFontItem>(element.Attribute(L"typeface"), skin::NumberAttribute(element, L"pitch"),
                                    skin::NumberAttribute(element, L"boldlevel"));
    if (font->Font() == nullptr)
        return;
    font->SetId(id);
    font->SetOwner(context.Owner());
    context.Add(std::move(font));
}

}  // namespace

void RegisterItemFactories() {
    skin::RegisterItem(L"BACKGROUND", CreatePanelBitmap);
    skin::RegisterItem(L"MASK", CreatePanelBitmap);
    skin::RegisterItem(L"FONT", CreateFont);
    skin::RegisterItem(L"BITMAPITEM", CBitmapItem::FromSkin);
    skin::RegisterItem(L"BITMAPWINDOW", CBitmapWindow::FromSkin);
    skin::RegisterItem(L"BUTTON", CBitmapBtn::FromSkin);
    skin::RegisterItem(L"PROFBUTTON", CProfileBtn::FromSkin);
    skin::RegisterItem(L"AVIBUTTON", CAVIButton::FromSkin);
    skin::RegisterItem(L"TEXTITEM", CTextItem::FromSkin);
    skin::RegisterItem(L"EDITCTRL", CEditItem::FromSkin);
    skin::RegisterItem(L"EDITCTRLSK", CEditItemSingleKeyInput::FromSkin);
    skin::RegisterItem(L"COMBO", CDropdownListItem::FromSkin);
    skin::RegisterItem(L"LISTPANEL", CListPanelItem::FromSkin);
    skin::RegisterItem(L"LISTCTRL", CXListCtrl::FromSkin);
    skin::RegisterItem(L"DPISTAGEWINDOW", CDPIStageWindow::FromSkin);
    skin::RegisterItem(L"VSLIDER", CVertSlider::FromSkin);
    skin::RegisterItem(L"HSLIDERM", CSliderHMulti::FromSkin);
    skin::RegisterItem(L"HSLIDERMAPM", CAPMSlider::FromSkin);
    skin::RegisterItem(L"DMARKER", CDMarker::FromSkin);
    // MACRODISPLAY belongs to the macro layer above:
    // macro::RegisterItemFactories.
}

}  // namespace controls
