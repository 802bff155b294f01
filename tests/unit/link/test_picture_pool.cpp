// Picture handles and their pool: counted sharing, buffers back to the pool with the last
// handle, reuse without new buffers, a bounded idle list, handles that outlive the pool, and
// handles passed between threads.
#include "link/image_codec.h"
#include "link/picture.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using namespace ostrel;

namespace {

// A 4 x 2 picture of 24 bits: rows of 12 bytes, 24 bytes in all.
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

Picture MakeSmall(PicturePool& pool, uint8_t bySeed, uint8_t byFieldAlign = 1)
{
    const std::vector<uint8_t> bits = SmallBits(bySeed);
    return pool.Make(SmallHeader(), bits.data(), bits.size(), byFieldAlign);
}

std::vector<uint8_t> BitsOf(const Picture& picture)
{
    return {picture.Bits(), picture.Bits() + picture.Header().biSizeImage};
}

} // namespace

TEST(PicturePool, MakeCopiesTheBitsAndDescribesThem)
{
    PicturePool pool;
    std::vector<uint8_t> bits = SmallBits(7);
    const Picture picture = pool.Make(SmallHeader(), bits.data(), bits.size(), 0);
    ASSERT_TRUE(picture);
    EXPECT_EQ(4, picture.Header().biWidth);
    EXPECT_EQ(2, picture.Header().biHeight);
    EXPECT_EQ(24, picture.Header().biBitCount);
    EXPECT_EQ(24u, picture.Header().biSizeImage);
    EXPECT_EQ(0, picture.FieldAlign());
    bits[0] = 0xEE; // the caller's bytes are not the picture's
    EXPECT_EQ(SmallBits(7), BitsOf(picture));
    EXPECT_NE(bits.data(), picture.Bits());
}

TEST(PicturePool, MakeRefusesWhatItCannotHoldWithoutTakingABuffer)
{
    const std::vector<uint8_t> bits = SmallBits(0);
    BitmapInfoHeader wrongSize = SmallHeader();
    wrongSize.biSizeImage = 30; // 4 x 2 x 3 bytes with padded rows is 24
    BitmapInfoHeader noWidth = SmallHeader();
    noWidth.biWidth = 0;
    BitmapInfoHeader oddDepth = SmallHeader();
    oddDepth.biBitCount = 12;
    BitmapInfoHeader empty = SmallHeader();
    empty.biSizeImage = 0;
    struct Row {
        const char* name;
        BitmapInfoHeader header;
        const uint8_t* pBits;
        size_t nBytes;
    } rows[] = {
        {"one byte short", SmallHeader(), bits.data(), 23},
        {"no bytes", SmallHeader(), bits.data(), 0},
        {"no pointer", SmallHeader(), nullptr, 24},
        {"size that does not fit the format", wrongSize, bits.data(), 24},
        {"zero width", noWidth, bits.data(), 24},
        {"twelve bits a pixel", oddDepth, bits.data(), 24},
        {"zero image size", empty, bits.data(), 24},
    };
    PicturePool pool;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Picture picture = pool.Make(row.header, row.pBits, row.nBytes, 1);
        EXPECT_FALSE(picture);
        EXPECT_EQ(nullptr, picture.Bits());
    }
    EXPECT_EQ(0u, pool.BuffersCreated());
    EXPECT_EQ(0u, pool.IdleCount());

    // More bytes than needed: the image size is taken, the rest ignored.
    std::vector<uint8_t> longer = SmallBits(3);
    longer.resize(100, 0xAA);
    const Picture picture = pool.Make(SmallHeader(), longer.data(), longer.size(), 1);
    ASSERT_TRUE(picture);
    EXPECT_EQ(SmallBits(3), BitsOf(picture));
}

TEST(PicturePool, EmptyHandleHasNothingToShow)
{
    const Picture empty;
    EXPECT_FALSE(empty);
    EXPECT_EQ(nullptr, empty.Bits());
    EXPECT_EQ(0, empty.Header().biWidth);
    EXPECT_EQ(0u, empty.Header().biSizeImage);
    EXPECT_EQ(CImageCodec::kFieldEven, empty.FieldAlign());
    EXPECT_TRUE(empty.SameAs(Picture{}));
}

TEST(PicturePool, CopiesShareOnePictureAndTheLastOneReturnsTheBuffer)
{
    PicturePool pool;
    Picture first = MakeSmall(pool, 10);
    const uint8_t* pBits = first.Bits();
    Picture second = first;
    Picture third;
    third = second;
    EXPECT_TRUE(second.SameAs(first));
    EXPECT_EQ(pBits, third.Bits()) << "copies share the pixels";

    first.Reset();
    EXPECT_FALSE(first);
    second = Picture{};
    EXPECT_EQ(0u, pool.IdleCount()) << "one handle still holds it";
    EXPECT_EQ(SmallBits(10), BitsOf(third));

    third.Reset();
    EXPECT_EQ(1u, pool.IdleCount());
    EXPECT_EQ(1u, pool.BuffersCreated());
    third.Reset();
    EXPECT_EQ(1u, pool.IdleCount()) << "resetting an empty handle returns nothing";
}

TEST(PicturePool, MovesHandOverWithoutCounting)
{
    PicturePool pool;
    Picture source = MakeSmall(pool, 20);
    const uint8_t* pBits = source.Bits();

    Picture moved(std::move(source));
    EXPECT_FALSE(source); // NOLINT(bugprone-use-after-move): a moved-from handle is empty
    EXPECT_EQ(pBits, moved.Bits());

    Picture target = MakeSmall(pool, 30);
    target = std::move(moved);
    EXPECT_EQ(1u, pool.IdleCount()) << "the picture the target held went back";
    EXPECT_EQ(pBits, target.Bits());
    EXPECT_EQ(SmallBits(20), BitsOf(target));

    target.Reset();
    EXPECT_EQ(2u, pool.IdleCount()) << "one release for one picture, whatever the moves";
}

TEST(PicturePool, AssigningAHandleToItselfKeepsThePicture)
{
    PicturePool pool;
    Picture picture = MakeSmall(pool, 40);
    Picture& alias = picture;
    picture = alias;
    EXPECT_EQ(SmallBits(40), BitsOf(picture));
    picture = std::move(alias);
    EXPECT_EQ(SmallBits(40), BitsOf(picture));
    EXPECT_EQ(0u, pool.IdleCount());

    Picture other = picture;
    other = picture; // the same picture again: no extra count to leak
    other.Reset();
    picture.Reset();
    EXPECT_EQ(1u, pool.IdleCount());
}

TEST(PicturePool, SteadyStreamReusesItsBuffers)
{
    PicturePool pool;
    Picture shown = MakeSmall(pool, 0);
    for (int i = 1; i <= 100; ++i) {
        // The next picture of a channel replaces the shown one, as the link does.
        shown = MakeSmall(pool, static_cast<uint8_t>(i));
        ASSERT_EQ(SmallBits(static_cast<uint8_t>(i)), BitsOf(shown)) << i;
    }
    EXPECT_EQ(2u, pool.BuffersCreated()) << "one shown, one being filled";
    EXPECT_EQ(1u, pool.IdleCount());
}

TEST(PicturePool, TakeExchangesTheDecodersPixelsForAnIdleBuffersOwn)
{
    PicturePool pool;
    CImageCodec decoder;
    ASSERT_TRUE(decoder.SetImageFormat(24, 4, 2));
    std::vector<uint8_t> bits = SmallBits(50);
    std::copy(bits.begin(), bits.end(), decoder.MutablePixels());
    const uint8_t* pDecoded = decoder.Pixels();

    Picture first = pool.Take(decoder);
    EXPECT_EQ(pDecoded, first.Bits()) << "taken, not copied";
    EXPECT_EQ(SmallBits(50), BitsOf(first));
    EXPECT_EQ(SmallHeader().biSizeImage, first.Header().biSizeImage);

    first.Reset();
    ASSERT_TRUE(decoder.SetImageFormat(24, 4, 2));
    bits = SmallBits(60);
    std::copy(bits.begin(), bits.end(), decoder.MutablePixels());
    const uint8_t* pSecond = decoder.Pixels();
    const Picture second = pool.Take(decoder);
    EXPECT_EQ(pSecond, second.Bits());
    EXPECT_EQ(pDecoded, decoder.Pixels()) << "the decoder now holds the idle buffer's pixels";
    EXPECT_EQ(1u, pool.BuffersCreated());
}

TEST(PicturePool, IdleBuffersAreBoundedAndTheRestFreed)
{
    PicturePool pool;
    const size_t nMany = PicturePool::kMaxIdle + 5;
    std::vector<Picture> held;
    for (size_t i = 0; i < nMany; ++i)
        held.push_back(MakeSmall(pool, static_cast<uint8_t>(i)));
    EXPECT_EQ(69u, pool.BuffersCreated());
    held.clear();
    EXPECT_EQ(64u, pool.IdleCount());

    for (size_t i = 0; i < nMany; ++i)
        held.push_back(MakeSmall(pool, static_cast<uint8_t>(i)));
    EXPECT_EQ(69u + 5u, pool.BuffersCreated()) << "64 reused, 5 new";
    EXPECT_EQ(0u, pool.IdleCount());
}

TEST(PicturePool, HandlesOutliveThePool)
{
    auto pPool = std::make_unique<PicturePool>();
    Picture kept = MakeSmall(*pPool, 70);
    Picture idle = MakeSmall(*pPool, 80);
    idle.Reset(); // in the idle list when the pool goes
    pPool.reset();

    EXPECT_EQ(SmallBits(70), BitsOf(kept));
    Picture copy = kept;
    kept.Reset();
    EXPECT_EQ(SmallBits(70), BitsOf(copy));
    copy.Reset(); // the last handle frees the storage: nothing to return it to
    EXPECT_FALSE(copy);
}

TEST(PicturePool, CopiesReleasedOnManyThreadsReturnThePictureOnce)
{
    PicturePool pool;
    Picture source = MakeSmall(pool, 90);
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    std::vector<std::thread> threads;
    std::vector<int> bad(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        // Each thread starts with a copy of its own and makes and drops more.
        threads.emplace_back([copy = source, &bad, t]() mutable {
            for (int i = 0; i < kRounds; ++i) {
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
    EXPECT_EQ(1u, pool.BuffersCreated());
    EXPECT_EQ(1u, pool.IdleCount());
}

TEST(PicturePool, PicturesMadeOnOneThreadAndReleasedOnOthersAllComeBack)
{
    // The owner makes pictures while workers (an AVI saver, a printer) let go of earlier ones:
    // returns to the pool race with takes from it.
    PicturePool pool;
    constexpr int kPictures = 3000;
    constexpr size_t kQueueLimit = 8;
    constexpr int kWorkers = 3;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Picture> queue;
    bool bDone = false;
    std::vector<int> wrong(kWorkers, 0);
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w]() {
            for (;;) {
                Picture picture;
                {
                    std::unique_lock<std::mutex> lock(mutex);
                    changed.wait(lock, [&] { return !queue.empty() || bDone; });
                    if (queue.empty())
                        return;
                    picture = std::move(queue.front());
                    queue.pop_front();
                }
                changed.notify_all();
                const Picture copy = picture;
                // Every byte is the seed plus its offset: a buffer reused too early shows.
                const uint8_t bySeed = copy.Bits()[0];
                for (size_t i = 0; i < 24; ++i)
                    if (copy.Bits()[i] != static_cast<uint8_t>(bySeed + i))
                        ++wrong[static_cast<size_t>(w)];
            }
        });
    }
    for (int i = 0; i < kPictures; ++i) {
        Picture picture = MakeSmall(pool, static_cast<uint8_t>(i));
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return queue.size() < kQueueLimit; });
        queue.push_back(std::move(picture));
        lock.unlock();
        changed.notify_all();
    }
    {
        const std::lock_guard<std::mutex> lock(mutex);
        bDone = true;
    }
    changed.notify_all();
    for (std::thread& worker : workers)
        worker.join();

    EXPECT_EQ(std::vector<int>(kWorkers, 0), wrong);
    // At most the queue, one picture per worker and the one being made were alive at once,
    // which is well under the idle bound: every buffer must be back, exactly once.
    EXPECT_LE(pool.BuffersCreated(), kQueueLimit + kWorkers + 1);
    EXPECT_EQ(pool.BuffersCreated(), pool.IdleCount());
}
