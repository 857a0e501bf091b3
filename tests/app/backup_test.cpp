// The automatic backup of a run's first write: where it goes, what it
// holds, how many are kept, and a backup that cannot be saved.
#include "app_support.h"
#include "device/Backup.h"

namespace apptest {
namespace {

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Empties the test's backup folder: every folder in it with its files.
void ClearBackups(const std::wstring& root) {
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((root + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L".." && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                RemoveFolder(root + name + L"\\");
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
}

TEST_F(MainWindow, TheRunsFirstWriteKeepsADatedBackupOfTheMouseAndTheNewestTenStay) {
    const std::wstring root = TempFile(L"tarn-app-backups\\");
    ClearBackups(root);
    CreateDirectoryW(root.c_str(), nullptr);
    // Twelve backups of earlier runs, and a folder of the user's own.
    for (int day = 1; day <= 12; ++day) {
        wchar_t name[32];
        swprintf(name, 32, L"2001-01-%02d_120000\\", day);
        CreateDirectoryW((root + name).c_str(), nullptr);
        WriteBytes(root + name + backup::kIndexFile, "old");
    }
    CreateDirectoryW((root + L"mine\\").c_str(), nullptr);
    m_window.SetBackupFolder(root);

    const int32_t before = StageOnMouse();
    m_config.SetStageValue(1, 2500);
    ApplyAndWait();
    EXPECT_EQ(2500, StageOnMouse());
    std::vector<std::wstring> dated = backup::DatedFolders(root);
    ASSERT_EQ(10u, dated.size()) << "the newest ten are kept";
    EXPECT_EQ(L"2001-01-04_120000", dated.front()) << "the three oldest went";
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    EXPECT_EQ(std::to_wstring(now.wYear), dated.back().substr(0, 4)) << "the run's backup is dated today";
    EXPECT_TRUE(IsFolder(root + L"mine")) << "only dated folders are pruned";

    // It is complete and holds the mouse as it was before the write.
    const std::wstring taken = root + dated.back();
    backup::Index index;
    ASSERT_TRUE(backup::Check(taken, index).ok);
    ASSERT_EQ(1u, index.profiles.size());
    EXPECT_EQ(1u, index.activeProfile);
    const std::string profile = ReadBytes(taken + L"\\" + index.profiles[0].file);
    const std::string stage = std::to_string(before);
    EXPECT_NE(std::string::npos, profile.find("stages=" + stage + "x" + stage + " ")) << profile;

    // Later writes of the run add none.
    m_config.SetStageValue(1, 2600);
    ApplyAndWait();
    EXPECT_EQ(dated, backup::DatedFolders(root));

    // And it brings the mouse back.
    const backup::Result restored = m_mouse.Restore(taken);
    EXPECT_TRUE(restored.ok) << std::string(restored.message.begin(), restored.message.end());
    EXPECT_EQ(before, StageOnMouse());
    ClearBackups(root);
}

TEST_F(MainWindow, ABackupThatCannotBeSavedDoesNotHoldTheWriteBackAndIsSaidOnce) {
    // A file where the backup folder's parent should be.
    const std::wstring blocker = TempFile(L"tarn-app-backup-blocker");
    WriteBytes(blocker, "not a folder");
    m_window.SetBackupFolder(blocker + L"\\backup\\");
    ScriptedPopups popups(m_hwnd);
    popups.Ok();
    m_config.SetStageValue(1, 3300);
    ApplyAndWait();
    EXPECT_EQ(std::vector<std::wstring>{L"BackupFailedPopup.xml"}, popups.Seen());
    EXPECT_EQ(3300, StageOnMouse()) << "the write went ahead";

    m_config.SetStageValue(1, 3400);
    ApplyAndWait();
    EXPECT_TRUE(popups.Seen().empty()) << "said once a run";
    EXPECT_EQ(3400, StageOnMouse());
    DeleteFileW(blocker.c_str());
}

}  // namespace
}  // namespace apptest
