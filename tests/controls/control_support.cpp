#include "control_support.h"

#include <cstdio>
#include <sstream>

#include "controls/ItemFactories.h"
#include "macro/MacroDisplayItem.h"
#include "popups/ListPanel.h"
#include "win/Gdi.h"
#include "win/ModuleDir.h"

namespace ctest {
namespace {

// The controls are registered with the skin loader once, before any test
// makes a panel, as the program does at start-up.
class ControlFactories : public ::testing::Environment {
public:
    void SetUp() override {
        controls::RegisterItemFactories();
        macro::RegisterItemFactories();
        popups::InstallListPanel();
    }
};
::testing::Environment* const kControlFactories = ::testing::AddGlobalTestEnvironment(new ControlFactories);

}  // namespace

std::wstring MakeScratchModuleDir(const wchar_t* tag) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    static int serial = 0;
    std::wstring dir = std::wstring(temp) + L"tarn-" + tag + L"-" + std::to_wstring(GetCurrentProcessId()) +
                       L"-" + std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++serial) + L"\\";
    CreateDirectoryW(dir.c_str(), nullptr);
    for (const wchar_t* sub : {L"xml", L"skins", L"fonts", L"lang"})
        CreateDirectoryW((dir + sub).c_str(), nullptr);
    app::SetModuleDirectory(dir);
    return dir;
}

void RemoveScratchDir(const std::wstring& dir) {
    if (dir.empty())
        return;
    for (const wchar_t* sub : {L"xml\\", L"skins\\", L"fonts\\", L"lang\\", L""}) {
        std::wstring folder = dir + sub;
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((folder + L"*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                    DeleteFileW((folder + found.cFileName).c_str());
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(folder.c_str());
    }
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

void WriteSkin(const std::wstring& moduleDir, const wchar_t* name, const std::string& xml) {
    WriteFile(moduleDir + L"xml\\" + name, xml);
}

void WriteBmp(const std::wstring& path, int width, int height,
              const std::function<uint32_t(int, int)>& pixel) {
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    std::string bytes(14 + 40 + stride * height, '\0');
    auto put16 = [&](size_t at, uint32_t v) {
        bytes[at] = static_cast<char>(v & 0xFF);
        bytes[at + 1] = static_cast<char>((v >> 8) & 0xFF);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));  // bottom-up
    put16(26, 1);
    put16(28, 24);
    put32(34, stride * height);
    for (int y = 0; y < height; ++y) {
        size_t row = 54 + static_cast<size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            uint32_t rgb = pixel(x, y);
            bytes[row + x * 3] = static_cast<char>(rgb & 0xFF);
            bytes[row + x * 3 + 1] = static_cast<char>((rgb >> 8) & 0xFF);
            bytes[row + x * 3 + 2] = static_cast<char>((rgb >> 16) & 0xFF);
        }
    }
    WriteFile(path, bytes);
}

void WriteSolidBmp(const std::wstring& path, int width, int height, uint32_t rgb) {
    WriteBmp(path, width, height, [rgb](int, int) { return rgb; });
}

void ExpectSequence(const std::vector<Message>& seen, const std::vector<Expected>& expected,
                    const char* what) {
    std::ostringstream log;
    for (const Message& m : seen)
        log << " {0x" << std::hex << m.message << ", 0x" << m.wParam << ", 0x" << m.lParam << "}";
    ASSERT_EQ(seen.size(), expected.size()) << what << ": seen" << log.str();
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].message, expected[i].message) << what << " #" << i << ": seen" << log.str();
        if (expected[i].match & kWParam) {
            EXPECT_EQ(seen[i].wParam, expected[i].wParam)
                << what << " #" << i << " wParam: seen" << log.str();
        }
        if (expected[i].match & kLParam) {
            EXPECT_EQ(seen[i].lParam, expected[i].lParam)
                << what << " #" << i << " lParam: seen" << log.str();
        }
    }
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void ShowAndActivate(HWND hwnd) {
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    SetActiveWindow(hwnd);
    UpdateWindow(hwnd);
    Pump();
}

Capture::Capture(HWND hwnd, uint32_t fill) {
    RECT client = {};
    GetClientRect(hwnd, &client);
    m_width = client.right;
    m_height = client.bottom;
    if (m_width <= 0 || m_height <= 0)
        return;
    uint32_t* bits = nullptr;
    win::UniqueBitmap section(win::CreateBitmap32(m_width, m_height, &bits));
    win::UniqueDC dc(CreateCompatibleDC(nullptr));
    EXPECT_TRUE(section && dc && bits);
    if (!section || !dc || bits == nullptr)
        return;
    {
        win::SelectGuard select(dc.get(), section.get());
        win::UniqueBrush brush(CreateSolidBrush(RGB((fill >> 16) & 0xFF, (fill >> 8) & 0xFF, fill & 0xFF)));
        FillRect(dc.get(), &client, brush.get());
        SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
        GdiFlush();
    }
    const auto* pixels = static_cast<const uint32_t*>(bits);
    m_pixels.assign(pixels, pixels + static_cast<size_t>(m_width) * m_height);
}

uint32_t Capture::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0xFFFFFFFF;
    return m_pixels[static_cast<size_t>(y) * m_width + x] & 0xFFFFFF;
}

int Capture::Count(uint32_t rgb, int tolerance) const {
    int n = 0;
    for (uint32_t p : m_pixels) {
        bool close = true;
        for (int shift : {0, 8, 16}) {
            int a = static_cast<int>((p >> shift) & 0xFF);
            int b = static_cast<int>((rgb >> shift) & 0xFF);
            if (a - b > tolerance || b - a > tolerance)
                close = false;
        }
        n += close ? 1 : 0;
    }
    return n;
}

}  // namespace ctest
