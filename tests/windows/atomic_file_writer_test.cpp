#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/windows/test_folders.h"
#include "utils/atomic_file_writer_win.h"
#include "utils/file_system_win.h"
#include "utils/exception.h"
#include "utils/resource_stream_win.h"
#include "utils/strings.h"
#include "utils/text_win.h"
#include "utils/handles_win.h"
#include "utils/module_win.h"

namespace {

std::string Narrow(std::u16string_view text) {
    const std::u8string utf8 = ToUtf8(text);
    return std::string(utf8.begin(), utf8.end());
}

// The test program's own EXE_FILE resource: one and a half write chunks.
std::string Payload() {
    const HRSRC info = FindResourceW(nullptr, L"EXE_FILE", RT_RCDATA);
    const auto* data = static_cast<const char*>(LockResource(LoadResource(nullptr, info)));
    return std::string(data, SizeofResource(nullptr, info));
}

class AtomicFileWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        FFolder = FreshTestFolder(u"atomic");
        FTarget = FFolder + u"\\Quorvalent.exe";
        WriteTestFile(FTarget, "old product");
    }
    std::u16string FFolder;
    std::u16string FTarget;
};

TEST_F(AtomicFileWriterTest, ReplacesTheTargetAndLeavesNothingElse) {
    const std::string payload = Payload();
    ASSERT_GT(payload.size(), 1u << 20);
    WriteFileAtomically(FTarget, payload.data(), payload.size());
    EXPECT_EQ(ReadTestFile(FTarget), payload);
    EXPECT_EQ(CountEntries(FFolder), 1);
}

TEST_F(AtomicFileWriterTest, FailureHalfWayKeepsTheOldFile) {
    const std::string payload = Payload();
    uint64_t failedAt = 0;
    try {
        WriteFileAtomically(FTarget, payload.data(), payload.size(), [&](uint64_t written) {
            if (written < payload.size()) {
                failedAt = written;
                throw EError(u"injected: disk full");
            }
        });
        FAIL() << "no error raised";
    } catch (const EError& e) {
        EXPECT_EQ(e.Message(), u"injected: disk full");
    }
    EXPECT_GT(failedAt, 0u);
    EXPECT_LT(failedAt, payload.size());
    EXPECT_EQ(ReadTestFile(FTarget), "old product");
    EXPECT_EQ(CountEntries(FFolder), 1) << "the temporary file was left behind";
}

TEST_F(AtomicFileWriterTest, HeldTargetFailsAfterTheRetriesAndKeepsTheOldFile) {
    // A running program holds its image without delete sharing, as this handle does.
    TScopedHandle held(
        CreateFileW(WStr(FTarget), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.Valid());
    TAtomicFileWriter writer(FTarget);
    writer.RetryCount = 3;
    writer.RetryDelayMs = 50;
    writer.Write("new", 3);
    const DWORD start = GetTickCount();
    try {
        writer.Commit();
        FAIL() << "no error raised";
    } catch (const EError& e) {
        EXPECT_NE(e.Message().find(u"Quorvalent.exe"), std::u16string::npos);
    }
    EXPECT_GE(GetTickCount() - start, 90u);
    held.Reset();
    EXPECT_EQ(ReadTestFile(FTarget), "old product");
}

TEST_F(AtomicFileWriterTest, TargetReleasedDuringTheRetriesIsReplaced) {
    HANDLE held =
        CreateFileW(WStr(FTarget), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    // Another thread lets go of the file while the writer is waiting, as a closing product does.
    const HANDLE releaser = CreateThread(
        nullptr, 0,
        [](void* handle) -> DWORD {
            Sleep(400);
            CloseHandle(static_cast<HANDLE>(handle));
            return 0;
        },
        held, 0, nullptr);
    WriteFileAtomically(FTarget, "new product", 11);
    WaitForSingleObject(releaser, INFINITE);
    CloseHandle(releaser);
    EXPECT_EQ(ReadTestFile(FTarget), "new product");
    EXPECT_EQ(CountEntries(FFolder), 1);
}

TEST_F(AtomicFileWriterTest, CommitWithBackupKeepsTheOldFileAside) {
    const std::u16string backup = FFolder + u"\\Quorvalent.exe.1.bak";
    TAtomicFileWriter writer(FTarget);
    writer.Write("new", 3);
    EXPECT_TRUE(writer.Commit(backup));
    EXPECT_EQ(ReadTestFile(FTarget), "new");
    EXPECT_EQ(ReadTestFile(backup), "old product");
    EXPECT_EQ(CountEntries(FFolder), 2);

    // Without a target there is nothing to keep.
    const std::u16string fresh = FFolder + u"\\New.exe";
    TAtomicFileWriter second(fresh);
    second.Write("x", 1);
    EXPECT_FALSE(second.Commit(fresh + u".1.bak"));
    EXPECT_EQ(ReadTestFile(fresh), "x");
    EXPECT_EQ(CountEntries(FFolder), 3);
}

TEST_F(AtomicFileWriterTest, HeldTargetIsNeitherMovedAsideNorReplaced) {
    // Renaming alone would succeed under a running program and leave it running from the
    // kept-aside file.
    TScopedHandle held(CreateFileW(WStr(FTarget), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.Valid());
    {
        TAtomicFileWriter writer(FTarget);
        writer.RetryCount = 3;
        writer.RetryDelayMs = 50;
        writer.Write("new", 3);
        EXPECT_THROW(writer.Commit(FFolder + u"\\Quorvalent.exe.1.bak"), EError);
    }
    held.Reset();
    EXPECT_EQ(ReadTestFile(FTarget), "old product");
    EXPECT_EQ(CountEntries(FFolder), 1);
}

// The calls a commit made, as "Call Path" lines, each checked as it returns.
struct TCallLog {
    std::vector<std::string> Calls;
    std::function<void()> Check;

    TWriteSeam Seam() {
        TWriteSeam seam;
        seam.AfterCall = [this](std::u16string_view call, std::u16string_view path) {
            Calls.push_back(Narrow(call) + " " + Narrow(path));
            if (Check) {
                Check();
            }
        };
        return seam;
    }
    bool Made(const std::string& Call) const {
        return std::find(Calls.begin(), Calls.end(), Call) != Calls.end();
    }
};

TEST_F(AtomicFileWriterTest, TargetHoldsTheOldOrTheNewFileAfterEveryCallOfACommitWithBackup) {
    const std::u16string backup = FFolder + u"\\Quorvalent.exe.1.bak";
    const struct {
        const char* Name;
        DWORD LinkError;
        bool Copied;
    } cases[] = {
        {"hard link", ERROR_SUCCESS, false},
        {"FAT", ERROR_INVALID_FUNCTION, true},
        {"share", ERROR_NOT_SUPPORTED, true},
        {"other volume", ERROR_NOT_SAME_DEVICE, true},
        {"links refused", ERROR_ACCESS_DENIED, true},
        {"as many names as allowed", ERROR_TOO_MANY_LINKS, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteTestFile(FTarget, "old product");
        TCallLog log;
        log.Check = [&] {
            const std::string now = ReadTestFile(FTarget);
            EXPECT_TRUE(now == "old product" || now == "new") << "after " << log.Calls.back() << ": " << now;
        };
        TWriteSeam seam = log.Seam();
        if (c.LinkError != ERROR_SUCCESS) {
            seam.CreateHardLink = [&](const wchar_t*, const wchar_t*) {
                SetLastError(c.LinkError);
                return FALSE;
            };
        }
        TAtomicFileWriter writer(FTarget, &seam);
        writer.Write("new", 3);
        EXPECT_TRUE(writer.Commit(backup));
        EXPECT_EQ(ReadTestFile(FTarget), "new");
        EXPECT_EQ(ReadTestFile(backup), "old product");
        EXPECT_TRUE(log.Made("CreateHardLinkW " + Narrow(backup)));
        EXPECT_EQ(log.Made("FlushFileBuffers " + Narrow(backup)), c.Copied);
        EXPECT_EQ(CountEntries(FFolder), 2);
        DeleteFileW(WStr(backup));
    }
}

TEST_F(AtomicFileWriterTest, LinkRefusedForAnotherReasonFailsAndLeavesTheTargetAlone) {
    TWriteSeam seam;
    seam.CreateHardLink = [](const wchar_t*, const wchar_t*) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    };
    {
        TAtomicFileWriter writer(FTarget, &seam);
        writer.Write("new", 3);
        EXPECT_THROW(writer.Commit(FFolder + u"\\Quorvalent.exe.1.bak"), EError);
    }
    EXPECT_EQ(ReadTestFile(FTarget), "old product");
    EXPECT_EQ(CountEntries(FFolder), 1);
}

TEST_F(AtomicFileWriterTest, StaleBackupOfAnEarlierRunWithTheSameIdIsReplaced) {
    const std::u16string backup = FFolder + u"\\Quorvalent.exe.1.bak";
    WriteTestFile(backup, "stale");
    TAtomicFileWriter writer(FTarget);
    writer.Write("new", 3);
    EXPECT_TRUE(writer.Commit(backup));
    EXPECT_EQ(ReadTestFile(backup), "old product");
    EXPECT_EQ(ReadTestFile(FTarget), "new");
}

TEST_F(AtomicFileWriterTest, TargetTakenBetweenTheCheckAndTheRenameIsWaitedFor) {
    // Another process opens the target just after the check found it free: the rename fails
    // and is retried while the target is held, then either succeeds or gives up.
    const std::u16string backup = FFolder + u"\\Quorvalent.exe.1.bak";
    for (const bool released : {false, true}) {
        SCOPED_TRACE(released ? "released at the next check" : "held to the end");
        WriteTestFile(FTarget, "old product");
        TScopedHandle held;
        TCallLog log;
        log.Check = [&] {
            if (log.Calls.back() == "CreateHardLinkW " + Narrow(backup)) {
                held.Reset(CreateFileW(WStr(FTarget), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       0, nullptr));
            } else if (released && log.Calls.back().starts_with("MoveFileExW")) {
                held.Reset();
            }
        };
        bool committed = false;
        {
            const TWriteSeam seam = log.Seam();
            TAtomicFileWriter writer(FTarget, &seam);
            writer.RetryCount = 3;
            writer.RetryDelayMs = 10;
            writer.Write("new", 3);
            try {
                committed = writer.Commit(backup);
            } catch (const EError&) {
            }
        }
        held.Reset();
        EXPECT_EQ(committed, released);
        if (released) {
            EXPECT_EQ(ReadTestFile(FTarget), "new");
            EXPECT_EQ(ReadTestFile(backup), "old product");
        } else {
            // The holder kept the second name of its file from being deleted: that waits for
            // the next run's clean-up, and is the old file in the meantime.
            EXPECT_EQ(ReadTestFile(FTarget), "old product");
            EXPECT_TRUE(!FileExists(backup) || ReadTestFile(backup) == "old product");
        }
        DeleteFileW(WStr(backup));
        EXPECT_EQ(CountEntries(FFolder), 1);
    }
}

TEST_F(AtomicFileWriterTest, ResourceIsCopiedFromWhereTheFileHoldsIt) {
    const HRSRC info = FindResourceW(nullptr, L"EXE_FILE", RT_RCDATA);
    const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, info)));
    const DWORD size = SizeofResource(nullptr, info);
    ASSERT_TRUE(ImageFileOffset(GetModuleHandleW(nullptr), data, size).has_value());
    // Read in pieces of an odd size, so that no piece lines up with the file's blocks.
    TResourceStream stream(u"EXE_FILE");
    ASSERT_EQ(stream.Size(), size);
    TAtomicFileWriter writer(FTarget);
    uint8_t buffer[1000];
    while (const size_t got = stream.Read(buffer, sizeof(buffer))) {
        writer.Write(buffer, got);
    }
    writer.Commit();
    EXPECT_EQ(ReadTestFile(FTarget), std::string(reinterpret_cast<const char*>(data), size));
    EXPECT_EQ(stream.Read(buffer, sizeof(buffer)), 0u);
    // Nothing outside the image is placed in its file.
    EXPECT_FALSE(ImageFileOffset(GetModuleHandleW(nullptr), &info, 1).has_value());
    EXPECT_THROW(TResourceStream(u"NO_SUCH_RESOURCE"), EResNotFound);
}

TEST_F(AtomicFileWriterTest, UnwritableFolderRaisesBeforeTouchingAnything) {
    EXPECT_THROW(TAtomicFileWriter(FFolder + u"\\missing\\Quorvalent.exe"), EError);
    EXPECT_EQ(ReadTestFile(FTarget), "old product");
}

TEST_F(AtomicFileWriterTest, CopyReplacesTheTarget) {
    WriteTestFile(FFolder + u"\\source.bin", std::string(3 << 20, 'z') + "end");
    EXPECT_EQ(CopyFileAtomically(FFolder + u"\\source.bin", FTarget), (3u << 20) + 3);
    EXPECT_EQ(ReadTestFile(FTarget), std::string(3 << 20, 'z') + "end");
    EXPECT_THROW(CopyFileAtomically(FFolder + u"\\absent", FTarget), EError);
}

TEST_F(AtomicFileWriterTest, SameFileIsRecognisedAsTheFileSystemDoes) {
    EXPECT_TRUE(IsSameFile(FTarget, FTarget));
    EXPECT_TRUE(IsSameFile(FTarget, FFolder + u"\\QUORVALENT.EXE"));
    EXPECT_TRUE(IsSameFile(FTarget, FFolder + u"\\.\\Quorvalent.exe"));
    WriteTestFile(FFolder + u"\\Other.exe", "old product");
    EXPECT_FALSE(IsSameFile(FTarget, FFolder + u"\\Other.exe"));
    EXPECT_FALSE(IsSameFile(FTarget, FFolder + u"\\Missing.exe"));
}

} // namespace
