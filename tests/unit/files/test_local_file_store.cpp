// Whole-file writes: all or nothing.
#include "platform/file_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

using namespace ostrel;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class LocalFileStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("ostrel-files-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
    LocalFileStore store;
};

} // namespace

TEST_F(LocalFileStoreTest, WritesReplacesAndRemoves)
{
    const std::string strPath = (dir / "AlarmEvent.am").string();
    const std::vector<uint8_t> first = {1, 2, 3, 0, 5};
    ASSERT_TRUE(store.WriteWhole(strPath, first.data(), first.size()));
    EXPECT_EQ(first, ReadFile(strPath));

    const std::vector<uint8_t> shorter = {9};
    ASSERT_TRUE(store.WriteWhole(strPath, shorter.data(), shorter.size()));
    EXPECT_EQ(shorter, ReadFile(strPath)) << "replaced, not overwritten in place";
    ASSERT_TRUE(store.WriteWhole(strPath, nullptr, 0));
    EXPECT_TRUE(ReadFile(strPath).empty());

    EXPECT_TRUE(store.Remove(strPath));
    EXPECT_FALSE(fs::exists(strPath));
    EXPECT_TRUE(store.Remove(strPath)) << "a missing file is already removed";
}

TEST_F(LocalFileStoreTest, FailedWriteLeavesNothingBehind)
{
    const std::vector<uint8_t> bytes = {1, 2, 3};
    EXPECT_FALSE(store.WriteWhole((dir / "missing" / "AlarmEvent.am").string(), bytes.data(), bytes.size()));

    // The target cannot be replaced (it is a folder): it stays, and no temporary is left.
    const fs::path blocked = dir / "blocked";
    fs::create_directories(blocked / "inside");
    EXPECT_FALSE(store.WriteWhole(blocked.string(), bytes.data(), bytes.size()));
    EXPECT_TRUE(fs::is_directory(blocked / "inside"));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir), fs::directory_iterator()))
        << "only the folder itself remains";
}
