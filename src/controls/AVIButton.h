// A button that plays a video clip when double-clicked (type 3). Until the
// first double click it shows its still picture; from then on the platform's
// animation control covers it and plays the clip once per double click.
// Single clicks are consumed: they reach nobody.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "skin/GUIItem.h"
#include "skin/SkinLoader.h"
#include "win/Handles.h"
#include "win/Window.h"

class CAVIButton : public win::SubclassedWindow, public CGUIItem {
public:
    CAVIButton() = default;

    // A visible owner-drawn child of `parent` at the rectangle.
    bool CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner);

    // The name as the skin wrote it; a relative name is looked for in the
    // module directory's skins\ folder, like the skin's pictures.
    void SetVideoPath(const std::wstring& path) { m_videoPath = path; }
    const std::wstring& VideoPath() const { return m_videoPath; }
    std::wstring VideoFile() const;
    // Kept for the skin; never played.
    void SetSoundPath(const std::wstring& path) { m_soundPath = path; }
    const std::wstring& SoundPath() const { return m_soundPath; }
    // A copy of the picture shown until the clip first plays.
    void SetStillPicture(HBITMAP picture);

    // Plays the clip once from the first frame to the last, creating the
    // animation control on first use. False when it cannot play.
    bool Play();
    HWND AnimationWindow() const { return m_animation; }
    bool IsPlaying() const { return m_playing != 0; }
    bool ClipOpened() const { return m_clipOpened; }
    // Between the control's start and stop reports.
    bool ClipRunning() const { return m_clipRunning; }

    void Paint(HDC dc);

    // AVIBUTTON: name; RECT, VIDEO, SOUND.
    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnWindowGone() override {
        SetWindow(nullptr);
        m_animation = nullptr;
    }

private:
    HWND m_animation = nullptr;  // a child of the button, destroyed with it
    std::wstring m_videoPath;
    std::wstring m_soundPath;
    win::UniqueBitmap m_still;
    int32_t m_playing = 0;
    bool m_clipOpened = false;
    bool m_clipRunning = false;
};
