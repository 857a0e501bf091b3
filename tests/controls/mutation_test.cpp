// Damaged skins: every skin file of the program (and its language texts),
// plus skins of this test, mutated at random (truncated, bytes flipped,
// elements duplicated, attributes dropped, numbers made huge, names made
// unknown) and loaded into a panel that is shown and painted. Nothing may
// crash or hang, and the process's GDI objects must not grow.
//
// TARN_MUTATIONS sets the number of mutations (default 10000); TARN_SKIN_ASSETS
// the module directory whose xml\, skins\, fonts\ and lang\ are used (default:
// ..\bin beside the test program).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "control_support.h"
#include "controls/Panel.h"
#include "skin/NameTables.h"
#include "skin/ResourceCache.h"
#include "win/Gdi.h"

namespace {

std::wstring Env(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(value) : std::wstring();
}

std::string ReadAll(const std::wstring& path) {
    std::string bytes;
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

std::vector<std::wstring> FilesIn(const std::wstring& dir, const wchar_t* pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((dir + pattern).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.push_back(found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

void CopyFolder(const std::wstring& from, const std::wstring& to) {
    for (const std::wstring& name : FilesIn(from, L"*"))
        CopyFileW((from + name).c_str(), (to + name).c_str(), FALSE);
}

// The skins this test adds: every list and element kind, pictures of its own.
const char kOwnSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<GUIPANEL>
  <BACKGROUND>mut-bg.bmp</BACKGROUND>
  <MASK>mut-mask.bmp</MASK>
  <LANGLIST><LANG name="LANGUAGE_GERMAN" file="mut-lang.txt">
    <LANGFONT fontsearch="FONT_ARIAL12" fontreplace="FONT_ARIAL14"/>
    <LANGOVERRIDE name="TEXT_PROFILEINFO" caps="L"/>
    <LANGOVERRIDE name="TEXT_PROFILENAME"><RECT left="1" top="2" right="30" bottom="40"/></LANGOVERRIDE>
  </LANG></LANGLIST>
  <FONTLIST>
    <FONT name="FONT_ARIAL12" typeface="Arial" pitch="12" boldlevel="400">nofont.ttf</FONT>
    <FONT name="FONT_ARIAL14" typeface="Arial" pitch="14" boldlevel="700"/>
  </FONTLIST>
  <BITMAPLIST>
    <BITMAPITEM name="BITMAP_SOLVAN"><SBMN>mut-item.bmp</SBMN><SBMM>mut-mask.bmp</SBMM><RECT left="5" top="5" right="60" bottom="40"/></BITMAPITEM>
    <BITMAPITEM name="BITMAP_TARNVIEWPLAN"><SBMN>mut-item.bmp</SBMN><RECT left="70" top="5" right="60" bottom="40"/></BITMAPITEM>
    <BITMAPWINDOW name="BITMAPWIN_ASSIGNKEY" fontclr="RED" tooltip="$Key\nfield" caps="U" multiline="1" justify="C" fontid="FONT_ARIAL12" SBMM="yes">
      <SBMDS>mut-item.bmp</SBMDS><SBMN>mut-frame.bmp</SBMN><SBMO>mut-frame.bmp</SBMO><SBMD>mut-item.bmp</SBMD><SBMM>mut-mask.bmp</SBMM>
      <RECT left="10" top="60" right="80" bottom="40"/>
    </BITMAPWINDOW>
  </BITMAPLIST>
  <BUTTONLIST>
    <BUTTON name="BUTTON_OK" ischeckbox="1" caption="$OK"><RECT left="0" top="0" right="10" bottom="10"/><SBMN>mut-item.bmp</SBMN></BUTTON>
    <PROFBUTTON name="BUTTON_HELP"><SBMN>mut-item.bmp</SBMN></PROFBUTTON>
  </BUTTONLIST>
  <SLIDERLIST><HSLIDERM name="SLIDER_DPI_MULTI" trackid="BITMAP_SOLVAN"><STAGES><STAGE>SLIDER_DPI_MULTI_STAGE1</STAGE></STAGES></HSLIDERM></SLIDERLIST>
  <TEXTLIST>
    <TEXTITEM name="TEXT_PROFILEINFO" textkey="$Title" caps="U" justify="Right" fontid="FONT_ARIAL12" fontclr="GREEN" fontclrhi="BLUE" interactive="1" checkboxid="BUTTON_OK">
      <RECT left="100" top="60" right="90" bottom="20"/></TEXTITEM>
    <TEXTITEM name="TEXT_PROFILENAME" textkey="two\nlines\nhere" multiline="1" justify="L" windowid="BITMAP_SOLVAN">
      <RECT left="2" top="2" right="50" bottom="30"/></TEXTITEM>
  </TEXTLIST>
  <MACRODISPLAY name="MACRO_DISPLAY" max="100"><RECT left="0" top="0" right="10" bottom="10"/></MACRODISPLAY>
  <COMBOLIST>
    <LISTCTRL name="LIST_PROFILELIST" fontclr="WHITE" backclrhi="GREEN" bdrclr="RED" fontid="FONT_ARIAL12" sorted="1">
      <RECT left="10" top="90" right="180" bottom="50"/><LISTHDR backclr="DARKGREY" fontclr="RED"/>
      <LISTCOLUMN name="LCITEM_PROFILEID" type="STATIC" width="30">#</LISTCOLUMN>
      <LISTCOLUMN name="LCITEM_PROFILENAME" type="EDIT" width="80" justify="R">$Name</LISTCOLUMN>
      <LISTCOLUMN name="LCITEM_AUTOSWITCH" type="CHECKBOX" width="40">Auto</LISTCOLUMN>
    </LISTCTRL>
    <COMBO name="COMBO_X"><CBOX><RECT left="0" top="0" right="10" bottom="10"/></CBOX><COMBOITEM>a</COMBOITEM></COMBO>
  </COMBOLIST>
  <EDITCTRLLIST><EDITCTRL name="EDIT_X" max="5"><RECT left="0" top="0" right="10" bottom="10"/></EDITCTRL></EDITCTRLLIST>
</GUIPANEL>
)";

const char kOwnItemList[] = R"(<ITEMLIST>
  <FONTLIST><FONT name="FONT_ARIAL16" typeface="Arial" pitch="16"/></FONTLIST>
  <TEXTLIST><TEXTITEM name="TEXT_DPI1" textkey="#Dpi" fontid="FONT_ARIAL16"><RECT left="0" top="0" right="60" bottom="20"/></TEXTITEM></TEXTLIST>
</ITEMLIST>
)";

// UTF-16LE language text: title, comment, then key/text pairs.
std::string LanguageText() {
    const wchar_t text[] =
        L"Test language\r\ncomment\r\nTitle\r\nthe title\r\nKey\r\nkey\\nfield\r\nEND OF FILE\r\n";
    return std::string(reinterpret_cast<const char*>(text), sizeof text - sizeof(wchar_t));
}

class Mutator {
public:
    explicit Mutator(uint32_t seed) : m_random(seed) {}

    // Applies one to three mutations; answers how many.
    int Mutate(std::string& text) {
        int count = 1 + Pick(3);
        for (int i = 0; i < count; ++i)
            MutateOnce(text);
        return count;
    }

private:
    size_t Pick(size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(m_random); }

    // Start of a random element ("<NAME"), or npos.
    size_t RandomElement(const std::string& text) {
        std::vector<size_t> starts;
        for (size_t i = 0; i + 1 < text.size(); ++i) {
            if (text[i] == '<' && ((text[i + 1] >= 'A' && text[i + 1] <= 'Z')))
                starts.push_back(i);
        }
        return starts.empty() ? std::string::npos : starts[Pick(starts.size())];
    }

    // Where the element starting at `at` ends (after its close), or npos.
    size_t ElementEnd(const std::string& text, size_t at) {
        size_t nameEnd = text.find_first_of(" />\t\r\n", at + 1);
        if (nameEnd == std::string::npos)
            return std::string::npos;
        std::string name = text.substr(at + 1, nameEnd - at - 1);
        size_t tagEnd = text.find('>', at);
        if (tagEnd == std::string::npos)
            return std::string::npos;
        if (text[tagEnd - 1] == '/')
            return tagEnd + 1;
        size_t close = text.find("</" + name + ">", tagEnd);
        return close == std::string::npos ? std::string::npos : close + name.size() + 3;
    }

    void MutateOnce(std::string& text) {
        if (text.empty()) {
            text.assign(1, '<');
            return;
        }
        static const char* const kHuge[] = {
            "2147483647", "-2147483648", "99999999999999999999", "-99999", "0", "65536", "40000", "1e9"};
        static const char* const kNames[] = {
            "NO_SUCH_NAME",    "", "BACKGROUND", "FONT_ARIAL12", "BITMAP_SOLVAN", "\xC3\xA4\xE2\x82\xAC",
            "TEXT_PROFILEINFO"};
        static const char* const kElements[] = {"TEXTITEM", "BITMAPITEM", "BITMAPWINDOW", "FONT",    "LANG",
                                                "RECT",     "GUIPANEL",   "ITEMLIST",     "UNKNOWN", "MASK"};
        switch (Pick(9)) {
            case 0:  // truncate
                text.resize(Pick(text.size()));
                break;
            case 1:  // flip bytes
                for (size_t n = 1 + Pick(8); n > 0; --n)
                    text[Pick(text.size())] = static_cast<char>(Pick(256));
                break;
            case 2: {  // duplicate an element, sometimes many times
                size_t at = RandomElement(text);
                size_t end = at == std::string::npos ? std::string::npos : ElementEnd(text, at);
                if (end == std::string::npos || end - at > 20000)
                    break;
                std::string copy = text.substr(at, end - at);
                for (size_t n = Pick(10) == 0 ? 50 : 1; n > 0; --n)
                    text.insert(end, copy);
                break;
            }
            case 3: {  // drop an attribute
                size_t eq = text.find("=\"", Pick(text.size()));
                if (eq == std::string::npos)
                    break;
                size_t start = text.rfind(' ', eq);
                size_t close = text.find('"', eq + 2);
                if (start != std::string::npos && close != std::string::npos && start < eq)
                    text.erase(start, close + 1 - start);
                break;
            }
            case 4: {  // a huge number in place of a number
                size_t at = text.find_first_of("0123456789", Pick(text.size()));
                if (at == std::string::npos)
                    break;
                size_t end = text.find_first_not_of("0123456789", at);
                text.replace(at, (end == std::string::npos ? text.size() : end) - at, kHuge[Pick(8)]);
                break;
            }
            case 5: {  // an unknown or other name
                size_t at = text.find("name=\"", Pick(text.size()));
                if (at == std::string::npos)
                    break;
                size_t close = text.find('"', at + 6);
                if (close != std::string::npos)
                    text.replace(at + 6, close - at - 6, kNames[Pick(7)]);
                break;
            }
            case 6: {  // rename an element
                size_t at = RandomElement(text);
                if (at == std::string::npos)
                    break;
                size_t nameEnd = text.find_first_of(" />\t\r\n", at + 1);
                if (nameEnd != std::string::npos)
                    text.replace(at + 1, nameEnd - at - 1, kElements[Pick(10)]);
                break;
            }
            case 7: {  // delete a range
                size_t at = Pick(text.size());
                text.erase(at, Pick(200));
                break;
            }
            default: {  // move an element elsewhere
                size_t at = RandomElement(text);
                size_t end = at == std::string::npos ? std::string::npos : ElementEnd(text, at);
                if (end == std::string::npos)
                    break;
                std::string piece = text.substr(at, end - at);
                text.erase(at, end - at);
                text.insert(Pick(text.size() + 1), piece);
                break;
            }
        }
    }

    std::mt19937 m_random;
};

// Ends the process with a message when one load takes far too long.
class Watchdog {
public:
    Watchdog() : m_thread([this] { Run(); }) {}
    ~Watchdog() {
        m_stop = true;
        m_thread.join();
    }
    void Beat(int mutant) {
        m_mutant = mutant;
        m_beat = GetTickCount64();
    }

private:
    void Run() {
        while (!m_stop) {
            Sleep(200);
            if (GetTickCount64() - m_beat > 30000) {
                std::fprintf(stderr, "mutation test: mutant %d hangs (see xml\\mut.xml)\n", m_mutant.load());
                std::fflush(stderr);
                ExitProcess(3);
            }
        }
    }
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_mutant{0};
    std::atomic<ULONGLONG> m_beat{GetTickCount64()};
    std::thread m_thread;
};

void LoadIntoPanel(const wchar_t* file) {
    CGUIPanel panel(file, 0, nullptr);
    HWND hwnd = panel.Create();
    if (hwnd == nullptr)
        return;
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // Hover over the first items (each hover repaints what lies under the
    // item, so all of thousands of stacked duplicates would take minutes).
    int hovered = 0;
    for (const auto& item : panel.Items()) {
        if (item->Window() != nullptr && ++hovered <= 32)
            SendMessageW(item->Window(), WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    }
    ReleaseCapture();
    ctest::Pump();
}

TEST(SkinMutation, DamagedSkinsNeitherCrashNorHangNorLeak) {
    names::BuildAllNameTables();
    std::wstring assets = Env(L"TARN_SKIN_ASSETS");
    if (assets.empty()) {
        wchar_t exe[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring dir = exe;
        dir.resize(dir.find_last_of(L'\\') + 1);
        assets = dir + L"..\\bin\\";
    }
    if (assets.back() != L'\\')
        assets += L'\\';

    const std::wstring dir = ctest::MakeScratchModuleDir(L"mutation");
    for (const wchar_t* sub : {L"skins\\", L"fonts\\", L"lang\\"})
        CopyFolder(assets + sub, dir + sub);
    ctest::WriteBmp(dir + L"skins\\mut-bg.bmp", 200, 150,
                    [](int x, int y) { return (x * 7 + y * 3) & 0xFF; });
    ctest::WriteBmp(dir + L"skins\\mut-mask.bmp", 200, 150, [](int x, int y) {
        return (x - 100) * (x - 100) + (y - 75) * (y - 75) < 5000 ? 0u : 0xFFFFFFu;
    });
    ctest::WriteSolidBmp(dir + L"skins\\mut-item.bmp", 60, 40, 0x336699);
    ctest::WriteSolidBmp(dir + L"skins\\mut-frame.bmp", 90, 50, 0x993366);
    ctest::WriteFile(dir + L"lang\\mut-lang.txt", LanguageText());

    struct Source {
        std::wstring name;
        std::string text;
        bool language;  // a language text, not a skin
    };
    std::vector<Source> sources = {{L"own-panel.xml", kOwnSkin, false},
                                   {L"own-items.xml", kOwnItemList, false}};
    for (const std::wstring& name : FilesIn(assets + L"xml\\", L"*.xml"))
        sources.push_back({name, ReadAll(assets + L"xml\\" + name), false});
    for (const std::wstring& name : FilesIn(dir + L"lang\\", L"*"))
        sources.push_back({name, ReadAll(dir + L"lang\\" + name), true});
    std::printf("mutation sources: %zu files\n", sources.size());

    // Every picture enters the cache before the count is taken: the cache
    // keeps what it loaded for the whole run by design.
    for (const std::wstring& name : FilesIn(dir + L"skins\\", L"*")) {
        CResourceCache::Instance().Get(name.c_str(), kResourcePicture);
        CResourceCache::Instance().Get(name.c_str(), kResourceDibSection);
    }
    for (const Source& source : sources) {
        if (!source.language) {
            ctest::WriteFile(dir + L"xml\\mut.xml", source.text);
            LoadIntoPanel(L"mut.xml");
        }
    }
    int wanted = 10000;
    if (std::wstring n = Env(L"TARN_MUTATIONS"); !n.empty())
        wanted = _wtoi(n.c_str());
    Watchdog watchdog;

    // One pass: the mutants of a seed, in order, until `count` mutations.
    // Reports every mutant after which the process holds another number of
    // GDI objects (kept as xml\gdi-N.xml) when `trace` is set.
    struct Pass {
        int mutations = 0;
        int mutants = 0;
    };
    auto run = [&](int count, bool trace) {
        Mutator mutator(20261208);
        Pass pass;
        while (pass.mutations < count) {
            const Source& source = sources[static_cast<size_t>(pass.mutants) % sources.size()];
            std::string text = source.text;
            pass.mutations += mutator.Mutate(text);
            ++pass.mutants;
            watchdog.Beat(pass.mutants);
            std::wstring langFile;
            if (source.language) {
                // A language text under a new name each time (the cache reads
                // a name once), declared by a small language list.
                static int serial = 0;
                std::wstring langName = L"mut-" + std::to_wstring(++serial) + L".txt";
                langFile = dir + L"lang\\" + langName;
                ctest::WriteFile(langFile, text);
                std::string narrow(langName.begin(), langName.end());
                ctest::WriteFile(
                    dir + L"xml\\mut.xml",
                    "<ITEMLIST><LANGLIST><LANG name=\"LANGUAGE_GERMAN\" file=\"" + narrow +
                        "\"><LANGOVERRIDE name=\"TEXT_DPI1\" caps=\"U\"/></LANG></LANGLIST></ITEMLIST>");
            } else {
                ctest::WriteFile(dir + L"xml\\mut.xml", text);
            }
            int typesBefore[256];
            win::GdiObjectCountByType(typesBefore);
            LoadIntoPanel(L"mut.xml");
            if (!langFile.empty())
                DeleteFileW(langFile.c_str());
            int typesAfter[256];
            win::GdiObjectCountByType(typesAfter);
            if (!trace || std::equal(typesBefore, typesBefore + 256, typesAfter))
                continue;
            std::printf("mutant %d of %ls changed the GDI objects (kept as xml\\gdi-%d.xml):\n", pass.mutants,
                        source.name.c_str(), pass.mutants);
            for (int type = 0; type < 256; ++type) {
                if (typesAfter[type] != typesBefore[type])
                    std::printf("  objects of type %d: %d -> %d\n", type, typesBefore[type],
                                typesAfter[type]);
            }
            CopyFileW((dir + L"xml\\mut.xml").c_str(),
                      (dir + L"xml\\gdi-" + std::to_wstring(pass.mutants) + L".xml").c_str(), FALSE);
        }
        return pass;
    };

    // The whole run: nothing may crash or hang.
    const Pass full = run(wanted, false);
    // The system keeps objects of its own once a pattern first occurs (Wine's
    // pool of display DCs grows to the most it has seen in use at once). So
    // growth is judged on a replay of the same mutants: inputs the process
    // has seen before must leave exactly the objects they found.
    const int gdiBefore = win::GdiObjectCount();
    const Pass replay = run(std::max(1, wanted / 4), true);
    const int gdiAfter = win::GdiObjectCount();
    std::printf("mutation: %d mutations in %d mutants; replay of %d mutants: GDI objects %d -> %d\n",
                full.mutations, full.mutants, replay.mutants, gdiBefore, gdiAfter);
    EXPECT_GE(full.mutations, wanted);
    EXPECT_GE(gdiBefore, 0) << "the GDI handle table could not be read";
    EXPECT_EQ(gdiAfter, gdiBefore);
    if (gdiAfter == gdiBefore)
        ctest::RemoveScratchDir(dir);
}

}  // namespace
