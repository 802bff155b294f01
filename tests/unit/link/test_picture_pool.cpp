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
    BitmapInfoHeader header;
    header.biWidth = 4;
    header.biHeight = 2;
    header.biBitCount = 24;
    header.biSizeImage = 24;
    return header;
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

TEST(PicturePool, MakeCopiesWhatFitsAndRefusesTheRestWithoutTakingABuffer)
{
    PicturePool pool;
    std::vector<uint8_t> bits = SmallBits(7);
    bits.resize(100, 0xAA); // more than needed: the rest is ignored
    const Picture picture = pool.Make(SmallHeader(), bits.data(), bits.size(), 0);
    bits[0] = 0xEE;
    EXPECT_EQ(SmallBits(7), BitsOf(picture)) << "the caller's bytes are not the picture's";
    EXPECT_EQ(0, picture.FieldAlign());

    struct Row {
        const char* name;
        void (*change)(BitmapInfoHeader&);
        const uint8_t* pBits;
        size_t nBytes;
    } rows[] = {
        {"one byte short", [](BitmapInfoHeader&) {}, bits.data(), 23},
        {"no pointer", [](BitmapInfoHeader&) {}, nullptr, 24},
        {"size that does not fit the format", [](BitmapInfoHeader& h) { h.biSizeImage = 30; }, bits.data(), 30},
        {"zero width", [](BitmapInfoHeader& h) { h.biWidth = 0; }, bits.data(), 24},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BitmapInfoHeader header = SmallHeader();
        row.change(header);
        const Picture refused = pool.Make(header, row.pBits, row.nBytes, 1);
        EXPECT_FALSE(refused);
        EXPECT_EQ(nullptr, refused.Bits());
    }
    EXPECT_EQ(1u, pool.BuffersCreated());
}

TEST(PicturePool, CopiesAndMovesShareOnePictureAndOnlyTheLastHandleReturnsIt)
{
    PicturePool pool;
    Picture first = MakeSmall(pool, 10);
    const uint8_t* pBits = first.Bits();
    Picture copy = first;
    Picture moved(std::move(first));
    EXPECT_FALSE(first); // NOLINT(bugprone-use-after-move): a moved-from handle is empty
    EXPECT_EQ(nullptr, first.Bits());
    Picture target = MakeSmall(pool, 30);
    target = std::move(moved);
    EXPECT_EQ(1u, pool.IdleCount()) << "the picture the target held went back";
    // To itself, and the same picture again: no count to lose or leak.
    Picture& alias = target;
    target = alias;
    target = std::move(alias);
    copy = target;
    EXPECT_TRUE(copy.SameAs(target));
    EXPECT_EQ(pBits, target.Bits());
    copy.Reset();
    EXPECT_EQ(1u, pool.IdleCount()) << "one handle still holds it";
    EXPECT_EQ(SmallBits(10), BitsOf(target));
    target.Reset();
    target.Reset();
    EXPECT_EQ(2u, pool.IdleCount()) << "one release for one picture, whatever the moves";

    // Made again: idle buffers are reused, up to a bounded number kept idle.
    std::vector<Picture> held;
    for (size_t i = 0; i < PicturePool::kMaxIdle + 5; ++i)
        held.push_back(MakeSmall(pool, static_cast<uint8_t>(i)));
    EXPECT_EQ(2u + PicturePool::kMaxIdle + 3u, pool.BuffersCreated());
    held.clear();
    EXPECT_EQ(PicturePool::kMaxIdle, pool.IdleCount());

    // The pool may go before its pictures.
    auto pPool = std::make_unique<PicturePool>();
    Picture kept = MakeSmall(*pPool, 70);
    MakeSmall(*pPool, 80).Reset(); // in the idle list when the pool goes
    pPool.reset();
    EXPECT_EQ(SmallBits(70), BitsOf(kept));
    kept.Reset(); // the last handle frees the storage: nothing to return it to
}

TEST(PicturePool, TakeExchangesTheDecodersPixelsAndBigVisitsFindBuffersOfTheirSize)
{
    PicturePool pool;
    CImageCodec decoder;
    ASSERT_TRUE(decoder.SetImageFormat(24, 4, 2));
    const uint8_t* pDecoded = decoder.Pixels();
    Picture first = pool.Take(decoder);
    EXPECT_EQ(pDecoded, first.Bits()) << "taken, not copied";
    first.Reset();
    ASSERT_TRUE(decoder.SetImageFormat(24, 4, 2));
    const Picture second = pool.Take(decoder);
    EXPECT_EQ(pDecoded, decoder.Pixels()) << "the decoder now holds the idle buffer's pixels";
    EXPECT_EQ(1u, pool.BuffersCreated());

    // Sixteen small cells shown all the time, and now and then four full-size pictures (the
    // archive, the single view) let go again: the pool stops growing after the first visit
    // and keeps no big buffer busy with a small picture.
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
    for (const Picture& picture : small)
        EXPECT_EQ(160u * 3u * 60u, picture.Header().biSizeImage);
    EXPECT_LE(pool.IdleBytes(), 6u * 640u * 3u * 240u) << "the big ones of one visit, the small ones in between";
}

TEST(PicturePool, CopiesReleasedOnManyThreadsReturnThePictureOnce)
{
    PicturePool pool;
    Picture source = MakeSmall(pool, 90);
    constexpr int kThreads = 4;
    std::vector<std::thread> threads;
    std::vector<int> bad(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([copy = source, &bad, t]() mutable {
            for (int i = 0; i < 20000; ++i) {
                Picture a = copy;
                Picture b;
                b = a;
                Picture c(std::move(a));
                if (!c.SameAs(copy) || b.Bits()[0] != 90 || b.Bits()[23] != 90 + 23)
                    ++bad[static_cast<size_t>(t)];
            }
            copy.Reset();
        });
    }
    source.Reset(); // the last release happens on one of the threads
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(std::vector<int>(kThreads, 0), bad);
    EXPECT_EQ(1u, pool.IdleCount());
}

TEST(PicturePool, PicturesMadeOnOneThreadAndReleasedOnOthersAllComeBack)
{
    // The owner makes each round's pictures while workers (an AVI saver, a printer) let go of
    // the round before: returns to the pool race with each other and with takes from it.
    PicturePool pool;
    constexpr int kWorkers = 4;
    constexpr int kEach = 8; // two rounds alive at once stay within the idle bound
    constexpr int kRounds = 500;
    std::vector<Picture> hands[2][kWorkers];
    std::barrier<> roundReady(kWorkers + 1);
    std::vector<int> wrong(kWorkers, 0);
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w]() {
            for (int r = 0; r < kRounds; ++r) {
                roundReady.arrive_and_wait();
                // A buffer reused while still held shows as bytes of another seed.
                for (const Picture& picture : hands[r % 2][w])
                    for (size_t i = 1; i < 24; ++i)
                        if (picture.Bits()[i] != static_cast<uint8_t>(picture.Bits()[0] + i))
                            ++wrong[static_cast<size_t>(w)];
                hands[r % 2][w].clear();
            }
        });
    }
    for (int r = 0; r < kRounds; ++r) {
        for (int w = 0; w < kWorkers; ++w)
            for (int k = 0; k < kEach; ++k)
                hands[r % 2][w].push_back(MakeSmall(pool, static_cast<uint8_t>(r * 7 + w * kEach + k)));
        roundReady.arrive_and_wait();
    }
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(std::vector<int>(kWorkers, 0), wrong);
    EXPECT_LE(pool.BuffersCreated(), 2u * kWorkers * kEach);
    EXPECT_EQ(pool.BuffersCreated(), pool.IdleCount()) << "every buffer back, exactly once";
}

TEST(PicturePool, PicturesOfTwoSizesTakeBuffersOfTheirSizeSoVisitsToBigOnesAddNothing)
{
    // Sixteen small cells shown all the time, and now and then a few full-size pictures (the
    // archive, the single view) that are let go again: each size finds idle buffers of its own
    // size, so the pool stops growing after the first visit and its idle memory stays that of
    // the pictures it served.
    PicturePool pool;
    CImageCodec decoder;
    std::vector<Picture> small(16);
    size_t nSmall = 0;
    const auto showSmall = [&](int nCount) {
        for (int i = 0; i < nCount; ++i) {
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
        showSmall(64); // live pictures come while the big ones are still held
    };
    showSmall(64);
    visitBig();
    showSmall(64);
    const size_t nCreated = pool.BuffersCreated();
    for (int nVisit = 0; nVisit < 20; ++nVisit) {
        visitBig();
        showSmall(64);
    }
    EXPECT_EQ(nCreated, pool.BuffersCreated());
    // The 16 shown pictures are small: no buffer of a big picture is kept busy with a small one.
    size_t nShownBytes = 0;
    for (const Picture& picture : small)
        nShownBytes += picture.Header().biSizeImage;
    EXPECT_EQ(16u * 160u * 3u * 60u, nShownBytes);
    EXPECT_LE(pool.IdleBytes(), 6u * 640u * 3u * 240u) << "idle: the big ones of one visit, the small ones in between";
    // Let everything go: the pool then holds every buffer. Buffers that served a big picture
    // once must not stay big while they carry small ones; otherwise each visit leaves a few
    // more big buffers behind (the memory of a long run crept up by one 640 x 240 buffer at a
    // time). Bound: the 4 big pictures of one visit and the decoder's, plus 16 + 8 small ones.
    const size_t nBig = 640u * 3u * 240u;
    const size_t nSmallBytes = 160u * 3u * 60u;
    small.clear();
    EXPECT_LE(pool.IdleBytes(), 5u * nBig + 24u * nSmallBytes);
}

TEST(ImageCodec, PixelBufferShrinksAfterAWindowOfSmallPicturesButNotForAMixOfSizes)
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
    EXPECT_EQ(160u * 3u * 60u, decoder.ImageHeader().biSizeImage);
}
