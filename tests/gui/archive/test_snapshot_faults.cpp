// The archive dialog's snapshot when its file cannot be written: a disk full at every byte of
// the JPEG and a failing commit. Afterwards the snapshot's name holds the old file or nothing,
// or the whole new JPEG; never a part, never a temporary, and the status line says so.
#include "fakes/gui_fixture.h"

using namespace ostrel;
using namespace ostrel::test;

using SnapshotFaults = SessionTest;

TEST_F(SnapshotFaults, ASnapshotOnAFullDiskOrAFailedCommitKeepsTheOldFileAndSaysSo)
{
    constexpr const char* kNotSaved = "Snapshot Not Saved";
    constexpr const char* kBlank = "         ";
    clock.Advance(4321);
    clock.SetLocalNow(LocalDateTime{2026, 12, 6, 12, 5, 8});
    FakeFileStore store;
    MakeArchive(&store);
    SetText(pSession->Settings().szRecordPath, "/snaps/");
    // One snapshot with the status line blanked before, so what it shows is this one's.
    const auto snapshot = [&] {
        pDlg->Player().ShowMessage(kBlank);
        folders.opened.clear();
        return pDlg->OnSnapshot();
    };
    // The clock stands still: every snapshot goes to the same name.
    const std::string strName = "/snaps/CAM0_2026-12-06 12-05-08_04321.jpg";
    ASSERT_EQ(strName, snapshot());
    const Bytes jpeg = store.files.at(strName);
    ASSERT_GT(jpeg.size(), 1000u);
    ASSERT_EQ(0xD9, jpeg.back()) << "ends with its EOI marker";

    // Every byte of the headers and of the end, and every 97th between.
    const Bytes old{'o', 'l', 'd'};
    for (const bool bOldFile : {false, true}) {
        for (size_t nSpace = 0; nSpace <= jpeg.size(); ++nSpace) {
            if (nSpace >= 768 && nSpace + 256 < jpeg.size() && nSpace % 97 != 0)
                continue;
            SCOPED_TRACE(::testing::Message() << "old file " << bOldFile << ", space " << nSpace);
            store.files.clear();
            if (bOldFile)
                store.files[strName] = old;
            store.writableFaults.nSpaceBytes = nSpace;
            const std::string strSaved = snapshot();
            const bool bFits = nSpace == jpeg.size();
            ASSERT_EQ(bFits ? strName : "", strSaved);
            ASSERT_EQ(bFits ? kBlank : kNotSaved, pDlg->Player().StatusLine());
            ASSERT_EQ(bFits ? 1u : 0u, folders.opened.size()) << "the folder shown only for a saved snapshot";
            if (bFits)
                ASSERT_EQ(jpeg, store.files.at(strName));
            else if (bOldFile)
                ASSERT_EQ(old, store.files.at(strName));
            else
                ASSERT_EQ(0u, store.files.count(strName));
            ASSERT_TRUE(store.temporaries.empty());
        }
    }
    store.writableFaults.nSpaceBytes = UINT64_MAX;

    // The bytes are all written but the commit fails: once for good, once after a success.
    store.files[strName] = old;
    store.writableFaults.bFailClose = true;
    EXPECT_EQ("", snapshot());
    EXPECT_EQ(old, store.files.at(strName));
    store.writableFaults.bFailClose = false;
    store.nCommitsLeft = 1;
    EXPECT_EQ(strName, snapshot());
    EXPECT_EQ(jpeg, store.files.at(strName));
    store.files[strName] = old;
    EXPECT_EQ("", snapshot());
    EXPECT_EQ(kNotSaved, pDlg->Player().StatusLine());
    EXPECT_EQ(old, store.files.at(strName));
    EXPECT_TRUE(store.temporaries.empty());
    EXPECT_TRUE(notifier.messages.empty()) << "the status line, no message box";
}
