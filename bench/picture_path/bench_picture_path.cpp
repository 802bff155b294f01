// Picture path benchmark: how fast one camera picture goes from JPEG bytes to a stored,
// checked picture, against what the decoder under it can do and against ffmpeg.
//
//   (a) raw tjDecompress2 to bottom-up BGR into one reused buffer, the codec's flags
//   (b) ffmpeg's mjpeg decoder on one thread to bgr24, start-up subtracted
//   (c) CImageCodec::Decode + channel check + holder copy
//   (c') the link's whole picture path: live packets read from a socket in 9129-byte reads,
//        framed, reassembled, decoded, checked and handed to the view's slot
//   (d) (c) and (c') decoding at the size of a four-cell (1/2) or sixteen-cell (1/4) view,
//        in alternating rounds with (a), which stays the full-size decode
//
// All on one set of 640 x 240 camera pictures made by the simulator (16 cameras x 2 fields,
// quality 80), in 4:2:0 and 4:2:2. Prints pictures/s of each and the ratios at the end.

#include "common/link_bench_support.h"
#include "fakes/fake_file_store.h"
#include "fakes/packet_maker.h"
#include "fakes/recording_notifier.h"
#include "link/dvr_link.h"
#include "link/image_codec.h"

#include "camera_feed.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <QGuiApplication>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Counts C++ allocations, so the steady state can be shown to allocate nothing per picture.
std::atomic<uint64_t> g_nAllocations{0};

} // namespace

void* operator new(size_t n)
{
    g_nAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n == 0 ? 1 : n))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}

namespace {

using ostrel::CImageCodec;
using ostrel::dvrsim::JpegSubsampling;

struct Picture {
    std::vector<uint8_t> jpeg;
    int nChannel;
};

std::vector<Picture> MakePictures(JpegSubsampling subsampling)
{
    ostrel::dvrsim::FeedFormat format;
    format.subsampling = subsampling;
    std::vector<Picture> pictures;
    const int64_t nMomentMs = 1715953510000LL;
    for (int nChannel = 0; nChannel < 16; ++nChannel) {
        ostrel::dvrsim::CCameraFeed feed(nChannel, format);
        for (const bool bOdd : {true, false})
            pictures.push_back({feed.Picture(nMomentMs, bOdd), nChannel});
    }
    return pictures;
}

const std::vector<Picture>& Pictures(JpegSubsampling subsampling)
{
    static const std::vector<Picture> s420 = MakePictures(JpegSubsampling::S420);
    static const std::vector<Picture> s422 = MakePictures(JpegSubsampling::S422);
    return subsampling == JpegSubsampling::S420 ? s420 : s422;
}

JpegSubsampling SubsamplingOf(const benchmark::State& state)
{
    return state.range(0) == 420 ? JpegSubsampling::S420 : JpegSubsampling::S422;
}

// TurboJPEG flags the codec decodes with, so (a) and (c) do the same decoding work.
int CodecFlags()
{
    int nFlags = TJFLAG_BOTTOMUP | TJFLAG_LIMITSCANS;
    if (CImageCodec().FastDecode())
        nFlags |= TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE;
    return nFlags;
}

// ---- (a) ----
void BM_RawTurboJpeg(benchmark::State& state)
{
    const std::vector<Picture>& pictures = Pictures(SubsamplingOf(state));
    tjhandle hDecoder = tjInitDecompress();
    std::vector<uint8_t> pixels(1920 * 240);
    const int nFlags = CodecFlags();
    size_t i = 0;
    for (auto _ : state) {
        const Picture& picture = pictures[i++ % pictures.size()];
        if (tjDecompress2(hDecoder, picture.jpeg.data(), picture.jpeg.size(), pixels.data(), 640, 1920, 240, TJPF_BGR,
                          nFlags) != 0)
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(pixels.data());
    }
    tjDestroy(hDecoder);
    state.SetItemsProcessed(state.iterations());
}

// ---- (b) ----
double RunFfmpeg(const std::string& strFile)
{
    const std::string strCommand =
        "ffmpeg -hide_banner -loglevel error -nostdin -threads 1 -f mjpeg -i '" + strFile + "' -pix_fmt bgr24 -f null - ";
    const auto start = std::chrono::steady_clock::now();
    const int nResult = std::system(strCommand.c_str());
    const auto stop = std::chrono::steady_clock::now();
    if (nResult != 0)
        return -1.0;
    return std::chrono::duration<double>(stop - start).count();
}

std::string WriteStream(const std::vector<Picture>& pictures, size_t nPictures, const char* pszName)
{
    const std::string strFile = std::string("/tmp/ostrel_bench_") + std::to_string(getpid()) + "_" + pszName + ".mjpeg";
    std::ofstream out(strFile, std::ios::binary | std::ios::trunc);
    for (size_t i = 0; i < nPictures; ++i) {
        const std::vector<uint8_t>& jpeg = pictures[i % pictures.size()].jpeg;
        out.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
    }
    return strFile;
}

void BM_FfmpegMjpeg(benchmark::State& state)
{
    constexpr size_t kLong = 3200;
    constexpr size_t kShort = 32;
    const std::vector<Picture>& pictures = Pictures(SubsamplingOf(state));
    const std::string strLong = WriteStream(pictures, kLong, "long");
    const std::string strShort = WriteStream(pictures, kShort, "short");
    for (auto _ : state) {
        // Best of three of each, so a neighbour's burst does not count against ffmpeg.
        double dLong = 1e9;
        double dShort = 1e9;
        for (int i = 0; i < 3; ++i) {
            const double dL = RunFfmpeg(strLong);
            const double dS = RunFfmpeg(strShort);
            if (dL < 0 || dS < 0) {
                state.SkipWithError("ffmpeg failed (is it installed?)");
                break;
            }
            dLong = std::min(dLong, dL);
            dShort = std::min(dShort, dS);
        }
        state.SetIterationTime(std::max(1e-6, dLong - dShort));
    }
    std::remove(strLong.c_str());
    std::remove(strShort.c_str());
    state.SetItemsProcessed(static_cast<int64_t>(kLong - kShort) * state.iterations());
}

// ---- (c) ----
void BM_CodecPicturePath(benchmark::State& state)
{
    const std::vector<Picture>& pictures = Pictures(SubsamplingOf(state));
    CImageCodec decoder;
    std::vector<std::unique_ptr<CImageCodec>> holders;
    for (int i = 0; i < 16; ++i)
        holders.push_back(std::make_unique<CImageCodec>());
    // One round to size every buffer; from then on nothing may be allocated.
    for (const Picture& picture : pictures) {
        decoder.Decode(picture.jpeg.data(), picture.jpeg.size(), false);
        holders[static_cast<size_t>(picture.nChannel)]->CopyPictureFrom(decoder);
    }
    const uint64_t nAllocationsBefore = g_nAllocations.load();
    size_t i = 0;
    int64_t nRejected = 0;
    for (auto _ : state) {
        const Picture& picture = pictures[i++ % pictures.size()];
        // The link's whole packet path (header, reassembly, completion) takes this place later;
        // for now: decode, check the channel against the one the header names, keep the picture.
        const uint8_t byChannel = decoder.Decode(picture.jpeg.data(), picture.jpeg.size(), false);
        if (byChannel != picture.nChannel) {
            ++nRejected;
            continue;
        }
        holders[byChannel]->CopyPictureFrom(decoder);
        benchmark::DoNotOptimize(holders[byChannel]->Pixels());
    }
    const uint64_t nAllocations = g_nAllocations.load() - nAllocationsBefore;
    if (nRejected > 0)
        state.SkipWithError("a picture's channel code was misread");
    state.SetItemsProcessed(state.iterations());
    state.counters["allocs_per_picture"] =
        benchmark::Counter(static_cast<double>(nAllocations) / static_cast<double>(std::max<int64_t>(1, state.iterations())));
}

// ---- (c') the link's whole picture path ----
// The pictures as the recorder sends them: one live packet each, naming its channel.
struct PacketStream {
    std::vector<uint8_t> bytes;
    size_t nPictures = 0;
};

const PacketStream& Packets(JpegSubsampling subsampling)
{
    static std::map<JpegSubsampling, PacketStream> streams;
    PacketStream& stream = streams[subsampling];
    if (stream.bytes.empty()) {
        for (const Picture& picture : Pictures(subsampling)) {
            const auto packet = ostrel::test::MakePacket(
                ostrel::wire::DATATYPE_LIVE_IMAGE, {0, 0, 0, static_cast<uint32_t>(picture.nChannel + 1)}, picture.jpeg);
            stream.bytes.insert(stream.bytes.end(), packet.begin(), packet.end());
            ++stream.nPictures;
        }
    }
    return stream;
}

// A connected link reading the stream; everything but the socket and the timers is real.
struct LinkRig {
    explicit LinkRig(const PacketStream& stream)
        : sockets(stream.bytes, {ostrel::CDvrLink::kReceiveBytes}),
          link({timers, sockets, files, notifier}, &view)
    {
        link.Connect("127.0.0.1", 8000);
        static_cast<ostrel::StreamSocketEvents&>(link).OnSocketConnected(true);
    }
    // Reads until nPictures more pictures were handed to the view.
    void Take(uint64_t nPictures)
    {
        const uint64_t nTarget = view.m_nDrawn + nPictures;
        while (view.m_nDrawn < nTarget)
            static_cast<ostrel::StreamSocketEvents&>(link).OnSocketReadable();
    }

    ostrel::bench::FlagTimerFactory timers;
    ostrel::bench::StreamingFactory sockets;
    ostrel::test::FakeFileStore files;
    ostrel::test::RecordingNotifier notifier;
    ostrel::bench::QuietView view;
    ostrel::CDvrLink link;
};

void BM_LinkPicturePath(benchmark::State& state)
{
    const PacketStream& stream = Packets(SubsamplingOf(state));
    LinkRig rig(stream);
    // Two rounds: the pool holds one buffer per shown channel plus one in exchange, and the
    // decoder's exchanged pixel buffer is sized in the second.
    rig.Take(2 * stream.nPictures);
    const uint64_t nAllocationsBefore = g_nAllocations.load();
    for (auto _ : state)
        rig.Take(1);
    const uint64_t nAllocations = g_nAllocations.load() - nAllocationsBefore;
    state.SetItemsProcessed(state.iterations());
    state.counters["allocs_per_picture"] =
        benchmark::Counter(static_cast<double>(nAllocations) / static_cast<double>(std::max<int64_t>(1, state.iterations())));
}

// ---- (a) and (c) in alternating rounds ----
// The two above run one after the other, so a neighbour's load can fall on one and not the
// other; here both take turns over the same pictures, round by round, and their ratio holds
// still on a shared machine.
void BM_PairedRawAndCodec(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const std::vector<Picture>& pictures = Pictures(SubsamplingOf(state));
    tjhandle hDecoder = tjInitDecompress();
    std::vector<uint8_t> pixels(1920 * 240);
    const int nFlags = CodecFlags();
    CImageCodec decoder;
    std::vector<std::unique_ptr<CImageCodec>> holders;
    for (int i = 0; i < 16; ++i)
        holders.push_back(std::make_unique<CImageCodec>());
    // Second argument: 1 the codec with the holder copy, 0 without it (to show what it costs),
    // 2 the link's whole picture path from packet bytes; 3 and 4 the codec with the holder copy
    // decoding for four and sixteen cells, 5 the link's path decoding for sixteen cells.
    const int nMode = static_cast<int>(state.range(1));
    const bool bHolderCopy = nMode != 0;
    const bool bLink = nMode == 2 || nMode == 5;
    const ostrel::ShownSize shown = nMode == 3 ? ostrel::ShownSize{318, 238}
                                    : nMode >= 4 ? ostrel::ShownSize{158, 118}
                                                 : ostrel::ShownSize{};
    const char* const pszLabels[] = {"without holder copy", "with holder copy", "whole link path",
                                     "four cells (1/2), with holder copy", "sixteen cells (1/4), with holder copy",
                                     "sixteen cells (1/4), whole link path"};
    state.SetLabel(pszLabels[nMode]);
    LinkRig rig(Packets(SubsamplingOf(state)));
    for (int n = 0; n < 16; ++n)
        rig.link.Pictures().SetShownSize(ostrel::wire::REQ_LIVE, n, shown);
    rig.Take(2 * pictures.size());
    double dRaw = 0;
    double dCodec = 0;
    int64_t nPictures = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (const Picture& picture : pictures) {
            tjDecompress2(hDecoder, picture.jpeg.data(), picture.jpeg.size(), pixels.data(), 640, 1920, 240, TJPF_BGR,
                          nFlags);
            benchmark::DoNotOptimize(pixels.data());
        }
        const auto t1 = Clock::now();
        if (bLink) {
            rig.Take(pictures.size());
        } else {
            for (const Picture& picture : pictures) {
                const uint8_t byChannel = decoder.Decode(picture.jpeg.data(), picture.jpeg.size(), false, shown);
                if (byChannel == picture.nChannel && bHolderCopy)
                    holders[byChannel]->CopyPictureFrom(decoder);
                benchmark::DoNotOptimize(holders[picture.nChannel & 15]->Pixels());
            }
        }
        const auto t2 = Clock::now();
        dRaw += std::chrono::duration<double>(t1 - t0).count();
        dCodec += std::chrono::duration<double>(t2 - t1).count();
        nPictures += static_cast<int64_t>(pictures.size());
        state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
    }
    tjDestroy(hDecoder);
    state.counters["raw_per_s"] = benchmark::Counter(static_cast<double>(nPictures) / dRaw);
    state.counters["codec_per_s"] = benchmark::Counter(static_cast<double>(nPictures) / dCodec);
    state.counters["codec_over_raw"] = benchmark::Counter(dRaw / dCodec);
}

BENCHMARK(BM_RawTurboJpeg)->Arg(420)->Arg(422)->MinTime(1.0);
BENCHMARK(BM_FfmpegMjpeg)->Arg(420)->Arg(422)->Iterations(1)->UseManualTime();
BENCHMARK(BM_CodecPicturePath)->Arg(420)->Arg(422)->MinTime(1.0);
BENCHMARK(BM_LinkPicturePath)->Arg(420)->Arg(422)->MinTime(1.0);
BENCHMARK(BM_PairedRawAndCodec)
    ->Args({420, 1})->Args({422, 1})->Args({420, 0})->Args({420, 2})->Args({422, 2})
    ->Args({420, 3})->Args({422, 3})->Args({420, 4})->Args({422, 4})->Args({420, 5})->Args({422, 5})
    ->MinTime(2.0)->UseManualTime();

// Keeps pictures/s per benchmark for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const auto it = run.counters.find("items_per_second");
            if (it != run.counters.end())
                m_rates[run.benchmark_name()] = it->second.value;
            const auto ratio = run.counters.find("codec_over_raw");
            if (ratio != run.counters.end())
                m_rates[run.benchmark_name() + "#ratio"] = ratio->second.value;
        }
    }

    void PrintSummary() const
    {
        std::printf("\nPictures per second (640 x 240, quality 80):\n");
        for (const char* pszSub : {"420", "422"}) {
            const double a = Rate("BM_RawTurboJpeg", pszSub);
            const double b = Rate("BM_FfmpegMjpeg", pszSub);
            const double c = Rate("BM_CodecPicturePath", pszSub);
            const double paired = Rate("BM_PairedRawAndCodec", (std::string(pszSub) + "/1").c_str(), "#ratio");
            const double link = Rate("BM_LinkPicturePath", pszSub);
            const double pairedLink = Rate("BM_PairedRawAndCodec", (std::string(pszSub) + "/2").c_str(), "#ratio");
            std::printf("  4:%s  (a) raw %6.0f  (b) ffmpeg %6.0f  (c) codec %6.0f   (c)/(a) %.3f (in alternating rounds %.3f)"
                        "  (c)/(b) %.2f\n",
                        pszSub[2] == '0' ? "2:0" : "2:2", a, b, c, a > 0 ? c / a : 0.0, paired, b > 0 ? c / b : 0.0);
            std::printf("        (c') whole link path %6.0f   (c')/(a) %.3f (in alternating rounds %.3f)  (c')/(b) %.2f\n",
                        link, a > 0 ? link / a : 0.0, pairedLink, b > 0 ? link / b : 0.0);
            const auto scaledRatio = [&](int nMode) {
                return Rate("BM_PairedRawAndCodec", (std::string(pszSub) + "/" + std::to_string(nMode)).c_str(), "#ratio");
            };
            std::printf("        (d) scaled, over the full raw decode in alternating rounds: codec four cells %.3f, "
                        "sixteen cells %.3f; link path sixteen cells %.3f\n",
                        scaledRatio(3), scaledRatio(4), scaledRatio(5));
        }
    }

private:
    double Rate(const char* pszName, const char* pszArg, const char* pszSuffix = "") const
    {
        const std::string strPrefix = std::string(pszName) + "/" + pszArg;
        for (const auto& [name, rate] : m_rates) {
            const bool bSuffix = *pszSuffix == '\0' ? name.find('#') == std::string::npos
                                                    : name.size() > strPrefix.size() && name.ends_with(pszSuffix);
            if (name.rfind(strPrefix, 0) == 0 && bSuffix)
                return rate;
        }
        return 0.0;
    }

    std::map<std::string, double> m_rates;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int nQtArgc = 1;
    QGuiApplication app(nQtArgc, argv); // the simulator's scenes draw text
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Pictures(JpegSubsampling::S420);
    Pictures(JpegSubsampling::S422);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
