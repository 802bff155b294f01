// Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/): recorder streams,
// pictures and event logs made by the simulator's own builders, and the kinds of files the
// unit tests read, each in its target's input layout (see the comment atop each target).
// Deterministic: the same build writes the same files. Run by fuzz/make-seeds.
#include "camera_feed.h"
#include "event_log_maker.h"
#include "packet_builder.h"

#include <QGuiApplication>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace ostrel;
using namespace ostrel::dvrsim;
using Bytes = std::vector<uint8_t>;

namespace {

fs::path g_root;

void Put(const std::string& strTarget, const std::string& strName, const Bytes& bytes)
{
    const fs::path dir = g_root / strTarget;
    fs::create_directories(dir);
    std::ofstream(dir / strName, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Text(std::string_view s)
{
    return Bytes(s.begin(), s.end());
}

void Append(Bytes& out, const Bytes& more)
{
    out.insert(out.end(), more.begin(), more.end());
}

void AppendLe16(Bytes& out, uint16_t w)
{
    out.push_back(static_cast<uint8_t>(w));
    out.push_back(static_cast<uint8_t>(w >> 8));
}

// A length byte and the text: how the targets take their names and values.
void AppendField(Bytes& out, std::string_view s)
{
    out.push_back(static_cast<uint8_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
}

constexpr int64_t kMomentMs = 1715953510000LL; // 2024-05-17 13:45:10

Bytes Picture(int nChannel, bool bOdd, int nWidth, int nHeight, JpegSubsampling subsampling, int nQuality = 60)
{
    FeedFormat format;
    format.nWidth = nWidth;
    format.nHeight = nHeight;
    format.subsampling = subsampling;
    format.nQuality = nQuality;
    CCameraFeed feed(nChannel, format);
    return feed.Picture(kMomentMs, bOdd);
}

// link_stream: settings, shown size, cuts, then the recorder's bytes.
Bytes LinkInput(uint8_t bySettings, uint16_t wShownW, uint16_t wShownH, const std::vector<uint16_t>& cuts,
                const Bytes& stream)
{
    Bytes in{bySettings};
    AppendLe16(in, wShownW);
    AppendLe16(in, wShownH);
    in.push_back(static_cast<uint8_t>(cuts.size()));
    for (uint16_t w : cuts)
        AppendLe16(in, w);
    Append(in, stream);
    return in;
}

void LinkSeeds()
{
    const RecordedRange range{1715900000, 1715953510};
    for (const bool bOld : {false, true}) {
        const CPacketBuilder b(bOld ? wire::kMagicV10 : wire::kMagicV12);
        const std::string strTag = bOld ? "v10" : "v12";

        Bytes live;
        b.AppendLoginReply(live, true, 0x16, 16, range);
        for (int nChannel = 0; nChannel < 3; ++nChannel) {
            const Bytes jpeg = Picture(nChannel, nChannel == 1, 640, 16, JpegSubsampling::S420);
            b.AppendLiveImage(live, nChannel, 100, 200, 0, 0x7, jpeg.data(), jpeg.size());
        }
        b.AppendAlarmEvent(live, 2, true, false, true);
        b.AppendStatusReply(live, range);
        Put("link_stream", strTag + "-live-whole", LinkInput(0, 0, 0, {}, live));
        Put("link_stream", strTag + "-live-split", LinkInput(0, 160, 60, {61, 1000, 7, 0x4000 | 3000}, live));

        Bytes play;
        b.AppendLoginReply(play, true, 0x16, 4, range);
        b.AppendStopReply(play);
        for (int i = 0; i < 2; ++i) {
            const Bytes jpeg = Picture(i, false, 640, 24, JpegSubsampling::S422);
            b.AppendPlayImage(play, i, range.nStart + 60 * i, 5000, jpeg.data(), jpeg.size());
        }
        b.AppendPlayStatus(play, PLAY_END);
        Put("link_stream", strTag + "-play", LinkInput(3, 320, 120, {4096, 0x8000 | 100}, play));

        Bytes misc;
        b.AppendLoginReply(misc, true, 0x16, 8, range);
        const Bytes log = CEventLogMaker::Make(range, 4, 12, 7);
        b.AppendEventLog(misc, log);
        b.AppendPtzReply(misc);
        misc.insert(misc.end(), {'D', 'V', 'R', ' ', 'P', 'A', 'C', 'K', 0x13, 0x37, 0x00});
        const Bytes jpeg = Picture(5, true, 640, 16, JpegSubsampling::Gray);
        b.AppendLiveImage(misc, 5, 0, 0, 0, 0, jpeg.data(), jpeg.size());
        Put("link_stream", strTag + "-log-ptz-garbage", LinkInput(5, 0, 0, {60, 0xC000 | 30}, misc));
    }
    const CPacketBuilder b;
    Bytes refused;
    b.AppendLoginReply(refused, false, 0x16, 16, {});
    Put("link_stream", "refused", LinkInput(8, 0, 0, {}, refused));
}

// jpeg_decode: settings, shown width and height, the payload.
Bytes JpegInput(uint8_t bySettings, uint16_t wShownW, uint16_t wShownH, const Bytes& payload)
{
    Bytes in{bySettings};
    AppendLe16(in, wShownW);
    AppendLe16(in, wShownH);
    Append(in, payload);
    return in;
}

void JpegSeeds()
{
    const struct {
        const char* pszName;
        JpegSubsampling subsampling;
        int nHeight;
        uint16_t wShownW, wShownH;
    } kinds[] = {
        {"420", JpegSubsampling::S420, 16, 0, 0},
        {"422", JpegSubsampling::S422, 24, 160, 60},
        {"444", JpegSubsampling::S444, 16, 320, 8},
        {"gray", JpegSubsampling::Gray, 32, 80, 4},
    };
    int nChannel = 0;
    for (const auto& k : kinds) {
        const Bytes jpeg = Picture(nChannel, nChannel % 2 == 1, 640, k.nHeight, k.subsampling);
        Put("jpeg_decode", std::string(k.pszName), JpegInput(static_cast<uint8_t>(nChannel << 2), k.wShownW, k.wShownH, jpeg));
        ++nChannel;
    }
    const Bytes jpeg = Picture(9, false, 640, 16, JpegSubsampling::S420);
    Bytes ff{0xFF};
    Append(ff, jpeg);
    Put("jpeg_decode", "repair-extra-ff", JpegInput(0, 0, 0, ff));
    Put("jpeg_decode", "repair-missing-ff", JpegInput(1, 0, 0, Bytes(jpeg.begin() + 1, jpeg.end())));
    Bytes junk{0x12, 0x34};
    Append(junk, Bytes(jpeg.begin(), jpeg.end() - 2));
    Put("jpeg_decode", "repair-junk-no-eoi", JpegInput(2, 160, 60, junk));
    Put("jpeg_decode", "truncated", JpegInput(0, 160, 60, Bytes(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2))));
    Put("jpeg_decode", "small-field", JpegInput(0, 100, 100, Picture(3, true, 64, 240, JpegSubsampling::S420, 30)));
}

void PtzSeeds()
{
    Put("ptz_table", "two-sections-crlf",
        Text("<1>\r\nSTOP/3/a0/00/ff/\r\nLEFT/7/FF/01/00/04/20/00/25/\r\n<2>\nSTOP/2/1f/1F\n"));
    Put("ptz_table", "header-swallows-next", Text("<1>\n<2>\nSTOP/2/01/02\nLEFT/1/03\n"));
    Put("ptz_table", "pelco-d",
        Text("<1>\nSTOP/7/FF/01/00/00/00/00/01\nLEFT/7/FF/01/00/04/20/00/25\nRIGHT/7/FF/01/00/02/20/00/23\n"
             "UP/7/FF/01/00/08/00/20/29\nDOWN/7/FF/01/00/10/00/20/31\n\n<2>\nSTOP/7/FF/02/00/00/00/00/02\n"
             "<9>\nSTOP/1/00\n<17>\nSTOP/1/00\n"));
    Put("ptz_table", "odd-fields", Text("<<3>>\nA//12//zz/-1\n  B/40/" + std::string(100, 'f') + "\nC/+5/1/2/3\x00/4\n"));
    std::string strFull = "<8>\n";
    for (int i = 0; i < 32; ++i)
        strFull += "CMD" + std::to_string(i) + "/32" + std::string(32 * 3, '/').replace(1, 2, "7f") + "\n";
    Put("ptz_table", "full-section", Text(strFull));
}

// private_profile: section, key and value to write, section and key of another lookup, the file.
Bytes ProfileInput(std::string_view sec, std::string_view key, std::string_view value, std::string_view sec2,
                   std::string_view key2, std::string_view file)
{
    Bytes in;
    AppendField(in, sec);
    AppendField(in, key);
    AppendField(in, value);
    AppendField(in, sec2);
    AppendField(in, key2);
    Append(in, Text(file));
    return in;
}

void ProfileSeeds()
{
    const std::string_view opt = "[PTZ_CMD_INTERVAL]\r\nCMD=70\r\nSTOP = 120\r\n\r\n[Other]\r\n; comment\r\nx=\"quoted\"\r\n";
    Put("private_profile", "opt-update", ProfileInput("PTZ_CMD_INTERVAL", "cmd", "90", "ptz_cmd_interval", "STOP", opt));
    Put("private_profile", "opt-new-key", ProfileInput("Other", "y", " 'v' ", "Other", "X", opt));
    Put("private_profile", "new-section", ProfileInput("New", "k", "1", "PTZ_CMD_INTERVAL", "CMD", "[A]\nk=v"));
    // A fuzz finding: a value equal to the marker the target first used for a missing key.
    Put("private_profile", "value-equal-to-the-missing-marker",
        Text(std::string_view("\x01S\x01K\x00\x01S\x01K\x01\n[s]\nk=\x01missing\nk2", 28)));
    Put("private_profile", "empty-file", ProfileInput("S", "K", "", "S", "K", ""));
    Put("private_profile", "refused-key", ProfileInput("S", "a=b", "v", "S", "a", "[S]\na=1\n"));
    Put("private_profile", "int-forms",
        ProfileInput(" s ", " k ", "-2147483649", "s", "n", "[s]\nn=+99999999999x\nk=\t7\n[s]\nk=8\n"));
}

// ip_history: name to delete, then name, address and port to add, the file.
Bytes BookInput(std::string_view del, std::string_view name, std::string_view ip, std::string_view port,
                std::string_view file)
{
    Bytes in;
    AppendField(in, del);
    AppendField(in, name);
    AppendField(in, ip);
    AppendField(in, port);
    Append(in, Text(file));
    return in;
}

void BookSeeds()
{
    const std::string_view book = "[INTRANET]\r\nIP=192.168.1.100\r\nPORT=8000\r\n[Shop]\r\nIP=10.0.0.2\r\nPORT=9000\r\n";
    Put("ip_history", "delete-first", BookInput("INTRANET", "Office", "127.0.0.1", "8001", book));
    Put("ip_history", "update-case", BookInput("none", "shop", "10.0.0.3", "9001", book));
    Put("ip_history", "repeated",
        BookInput("A", "B", " 1.2.3.4 ", "\"80\"", "[A]\nIP=1\n[A]\nPORT=2\n[b]\nip = 3\nport=4\n[A]"));
    Put("ip_history", "bad-name", BookInput("", "x]y", "1", "2", "[x]y]\nIP=1\n"));
}

void AlarmSeeds()
{
    const RecordedRange range{1715900000, 1715953510};
    Put("alarm_event_log", "simulator-log", CEventLogMaker::Make(range, 16, 20, 3));
    Put("alarm_event_log", "four-channels", CEventLogMaker::Make(range, 4, 6, 11));
    Bytes edge;
    CEventLogMaker::AppendRecord(edge, 16, 0xFF, range.nEnd, 1);
    edge.insert(edge.end(), {0, 0, 100, 12, 31, 24, 59, 59, 0, 0});  // the largest listable fields
    edge.insert(edge.end(), {17, 1, 10, 5, 5, 5, 5, 5, 0, 0});       // channel 17: not listed
    edge.insert(edge.end(), {1, 2, 64, 1, 1, 0, 0, 60, 0, 0});       // second 60: not listed
    edge.insert(edge.end(), {3, 0, 28, 5});                          // a cut last record
    Put("alarm_event_log", "edges", edge);
}

void SettingsSeeds()
{
    Put("view_settings", "typical",
        Text("[Setting]\nUser%20ISeed=admin\nUser%20PSeed=1\nHost%20IPAddress=192.168.1.100\nHost%20Port=8000\n"
             "Rotate%20Interval=3\nReconnect%20Count=3\nRequest%20Speed=4\nUse%20FullScreen=0\n"
             "Use%20AlertMode=1\nPtz%20Type=1\nRecord%20Interval=1\nDate%20Show=1\nAvi%20Codec=0\n"
             "Ip%20Label=INTRANET\n"));
    Put("view_settings", "odd-values",
        Text("[Setting]\nUser%20ISeed=\"a, b\"\nUser%20PSeed=x,y,z\nHost%20Port=4294967295\nRotate%20Interval=-1\n"
             "Ptz%20Type=0x10\nIp%20Label=" + std::string(80, 'L') + "\xc3\xa9\nHost%20IPAddress=@ByteArray(abc)\n"
             "Date%20Show= 12 \nAvi%20Codec=99999999999\n"));
    Put("view_settings", "empty", Text(""));
    Put("view_settings", "other-group", Text("[General]\nHost%20Port=1\n[Setting]\nHost%20Port\n"));
}

} // namespace

// Argument lists, NUL-separated.
void CommandLineSeeds()
{
    using namespace std::string_view_literals;
    Put("command_line", "none", Text(""sv));
    Put("command_line", "help", Text("--help"sv));
    Put("command_line", "version-after-other", Text("-platform\0offscreen\0--version"sv));
    Put("command_line", "after-double-dash", Text("--\0--help"sv));
    Put("command_line", "short-help-then-version", Text("-h\0--version"sv));
    Put("command_line", "near-misses", Text("--Help\0-version\0--help=1\0 --version"sv));
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    g_root = argv[1];
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int nArgc = 1;
    QGuiApplication app(nArgc, argv);
    LinkSeeds();
    JpegSeeds();
    PtzSeeds();
    ProfileSeeds();
    BookSeeds();
    AlarmSeeds();
    SettingsSeeds();
    CommandLineSeeds();
    return 0;
}
