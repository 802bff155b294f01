// Picture handles and their pool: counted sharing, buffers back to the pool with the last
// handle, a bounded idle list, handles that outlive the pool, and handles passed between threads.
#include "link/image_codec.h"
#include "link/picture.h"
#include "support/counting_new.h"

#include <gtest/gtest.h>

#include <barrier>
#include <memory>
#include <thread>
#include <vector>

using namespace ostrel;

namespace {

// A 4 x 2 picture of 24 bits whose every byte is the seed plus its offset, so a picture shows
// whose bytes it holds.
BitmapInfoHeader SmallHeader()
{
    return {.biWidth = 4, .biHeight = 2, .biBitCount = 24, .biSizeImage = 24};
}

std::vector<uint8_t> SmallBits(uint8_t bySeed)
{
    std::vector<uint8_t> bits(24);
    for (size_t i = 0; i < bits.size(); ++i)
        bits[i] = static_cast<uint8_t>(bySeed + i);
    return bits;
}

Picture MakeSmall(PicturePool& pool, uint8_t bySeed)
{
    const std::vector<uint8_t> bits = SmallBits(bySeed);
    return pool.Make(SmallHeader(), bits.data(), bits.size(), 1);
}

std::vector<uint8_t> BitsOf(const Picture& picture)
{
    return {picture.Bits(), picture.Bits() + picture.Header().biSizeImage};
}

} // namespace

TEST(PicturePool, HandlesShareOnePictureTheLastReturnsItAndTheIdleListIsBounded)
{
    PicturePool pool;
    std::vector<uint8_t> bits = SmallBits(10);
    BitmapInfoHeader tooBig = SmallHeader();
    tooBig.biSizeImage = 30; // does not fit the format
    EXPECT_FALSE(pool.Make(SmallHeader(), bits.data(), 23, 1)) << "one byte short";
    EXPECT_FALSE(pool.Make(tooBig, bits.data(), 30, 1));
    Picture first = pool.Make(SmallHeader(), bits.data(), bits.size(), 1);
    bits[0] = 0xEE;
    EXPECT_EQ(SmallBits(10), BitsOf(first)) << "the caller's bytes are not the picture's";

    const uint8_t* pBits = first.Bits();
    Picture copy = first;
    Picture moved(std::move(first));
    EXPECT_FALSE(first); // NOLINT(bugprone-use-after-move): a moved-from handle is empty
    Picture target = MakeSmall(pool, 30);
    target = std::move(moved);
    EXPECT_EQ(1u, pool.IdleCount()) << "the picture the target held went back";
    Picture& alias = target; // to itself: no count to lose or leak
    target = alias;
    target = std::move(alias);
    copy = target;
    EXPECT_EQ(pBits, target.Bits());
    copy.Reset();
    EXPECT_EQ(1u, pool.IdleCount()) << "one handle still holds it";
    target.Reset();
    target.Reset();
    EXPECT_EQ(2u, pool.IdleCount()) << "one release for one picture, whatever the moves";

    std::vector<Picture> held;
    for (size_t i = 0; i < PicturePool::kMaxIdle + 5; ++i)
        held.push_back(MakeSmall(pool, static_cast<uint8_t>(i)));
    EXPECT_EQ(2u + PicturePool::kMaxIdle + 3u, pool.BuffersCreated()) << "idle buffers reused first";
    held.clear();
    EXPECT_EQ(PicturePool::kMaxIdle, pool.IdleCount());

    // Take exchanges the decoder's pixels with an idle buffer instead of copying them.
    CImageCodec decoder;
    ASSERT_TRUE(decoder.SetImageFormat(24, 4, 2));
    const uint8_t* pDecoded = decoder.Pixels();
    EXPECT_EQ(pDecoded, pool.Take(decoder).Bits());

    // The pool may go before its pictures.
    auto pPool = std::make_unique<PicturePool>();
    Picture kept = MakeSmall(*pPool, 70);
    MakeSmall(*pPool, 80).Reset(); // in the idle list when the pool goes
    pPool.reset();
    EXPECT_EQ(SmallBits(70), BitsOf(kept));
}

TEST(PicturePool, PicturesSharedAndReleasedOnManyThreadsAllComeBackOnce)
{
    // The owner makes each round's pictures while workers (an AVI saver, a printer) copy and
    // let go of the round before: the count of one picture drops on several threads at once,
    // and returns to the pool race with each other and with the owner's takes from it.
    PicturePool pool;
    constexpr int kWorkers = 4;
    constexpr int kEach = 16; // two rounds alive at once stay within the idle bound
    constexpr int kRounds = 500;
    std::vector<Picture> rounds[2];
    std::barrier<> roundReady(kWorkers + 1);
    std::vector<int> wrong(kWorkers, 0);
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w]() {
            for (int r = 0; r < kRounds; ++r) {
                roundReady.arrive_and_wait();
                std::vector<Picture> mine = rounds[r % 2]; // copies on every worker
                roundReady.arrive_and_wait();
                // A buffer reused while still held shows as bytes of another seed.
                for (const Picture& picture : mine)
                    for (size_t i = 1; i < 24; ++i)
                        if (picture.Bits()[i] != static_cast<uint8_t>(picture.Bits()[0] + i))
                            ++wrong[static_cast<size_t>(w)];
            }
        });
    }
    for (int r = 0; r < kRounds; ++r) {
        for (int k = 0; k < kEach; ++k)
            rounds[r % 2].push_back(MakeSmall(pool, static_cast<uint8_t>(r * 7 + k)));
        roundReady.arrive_and_wait();
        roundReady.arrive_and_wait();
        rounds[r % 2].clear(); // the workers still hold them; the last release is theirs or this
    }
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(std::vector<int>(kWorkers, 0), wrong);
    EXPECT_LE(pool.BuffersCreated(), 2u * kEach + 1);
    EXPECT_EQ(pool.BuffersCreated(), pool.IdleCount()) << "every buffer back, exactly once";
}

// A fault found in long runs: buffers that once served a big picture stayed big while they
// carried small ones, so every visit to the big pictures left a few more behind.
TEST(PicturePool, PicturesOfTwoSizesTakeBuffersOfTheirSizeSoVisitsToBigOnesAddNothing)
{
    // Sixteen small cells shown all the time, and now and then four full-size pictures (the
    // archive, the single view) that are let go again.
    PicturePool pool;
    CImageCodec decoder;
    std::vector<Picture> small(16);
    size_t nSmall = 0;
    const auto showSmall = [&] {
        for (int i = 0; i < 64; ++i) {
            ASSERT_TRUE(decoder.SetImageFormat(24, 160, 60));
            small[nSmall++ % small.size()] = pool.Take(decoder);
        }
    };
    const auto visitBig = [&] {
        std::vector<Picture> big;
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(decoder.SetImageFormat(24, 640, 240));
            big.push_back(pool.Take(decoder));
        }
        showSmall(); // live pictures come while the big ones are still held
    };
    showSmall();
    visitBig();
    showSmall();
    const size_t nCreated = pool.BuffersCreated();
    for (int nVisit = 0; nVisit < 20; ++nVisit) {
        visitBig();
        showSmall();
    }
    EXPECT_EQ(nCreated, pool.BuffersCreated());
    const size_t nBig = 640u * 3u * 240u;
    const size_t nSmallBytes = 160u * 3u * 60u;
    EXPECT_LE(pool.IdleBytes(), 6u * nBig) << "idle: the big ones of one visit, the small ones in between";
    // Everything let go: the 4 big pictures of one visit and the decoder's, plus 16 + 8 small ones.
    small.clear();
    EXPECT_LE(pool.IdleBytes(), 5u * nBig + 24u * nSmallBytes);
}

TEST(ImageCodec, PixelAndRepairBuffersShrinkAfterAWindowOfSmallPicturesButNotForAMixOfSizes)
{
    CImageCodec decoder;
    ASSERT_TRUE(decoder.SetImageFormat(24, 640, 240));
    const size_t nBig = decoder.PixelCapacity();
    ASSERT_EQ(640u * 3u * 240u, nBig);
    // A mix: one big picture in every ten keeps the big buffer, with no allocation at all.
    const size_t nBefore = test::AllocationCount();
    for (int i = 0; i < 500; ++i)
        ASSERT_TRUE(decoder.SetImageFormat(24, i % 10 == 0 ? 640 : 160, i % 10 == 0 ? 240 : 60));
    EXPECT_EQ(nBefore, test::AllocationCount());
    EXPECT_EQ(nBig, decoder.PixelCapacity());
    // Only small pictures from now on: within two windows of 64 the buffer is the small size.
    for (int i = 0; i < 128; ++i)
        ASSERT_TRUE(decoder.SetImageFormat(24, 160, 60));
    EXPECT_EQ(160u * 3u * 60u, decoder.PixelCapacity());

    // The repair buffer by the same rule: one damaged picture of 4 MiB, then small ones.
    std::vector<uint8_t> damaged(4u << 20, 0x55);
    damaged[0] = 0xD8; // the start's FF lost
    damaged[1] = 0xFF;
    damaged[2] = 0xE0;
    size_t nLength = damaged.size();
    ASSERT_NE(nullptr, decoder.RepairJpeg(damaged.data(), nLength));
    EXPECT_GE(decoder.RepairCapacity(), 4u << 20);
    for (int i = 0; i < 128; ++i) {
        nLength = 3;
        ASSERT_NE(nullptr, decoder.RepairJpeg(damaged.data(), nLength));
    }
    EXPECT_EQ(3u + 4u, decoder.RepairCapacity());
}
