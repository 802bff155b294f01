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

// Seeds go to <root>/corpus/<target>/, which the fuzzer and the replay read; inputs too large
// for the fuzzer to mutate at a useful rate go to <root>/large/<target>/, which only the
// replay reads.
void Put(const std::string& strTarget, const std::string& strName, const Bytes& bytes, const char* pszKind = "corpus")
{
    const fs::path dir = g_root / pszKind / strTarget;
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
    // One record past the 100,000 that are read, each listable, and a cut one: the bound.
    Bytes full;
    for (int i = 0; i <= 100000; ++i)
        full.insert(full.end(), {static_cast<uint8_t>(1 + i % 16), 2, 28, 5, 17, 13, 45, 10, 0, 0});
    full.insert(full.end(), {1, 2, 3});
    Put("alarm_event_log", "past-the-record-bound", full, "large");
}

// view_settings: a mode byte, then the profile file (mode 0) or the keys to write (mode 1).
Bytes SettingsFile(std::string_view file)
{
    Bytes in{0};
    Append(in, Text(file));
    return in;
}

void AppendLe32(Bytes& out, uint32_t dw)
{
    AppendLe16(out, static_cast<uint16_t>(dw));
    AppendLe16(out, static_cast<uint16_t>(dw >> 16));
}

void SettingsSeeds()
{
    Put("view_settings", "typical",
        SettingsFile("[Setting]\nUser%20ISeed=admin\nUser%20PSeed=1\nHost%20IPAddress=192.168.1.100\nHost%20Port=8000\n"
                     "Rotate%20Interval=3\nReconnect%20Count=3\nRequest%20Speed=4\nUse%20FullScreen=0\n"
                     "Use%20AlertMode=1\nPtz%20Type=1\nRecord%20Interval=1\nDate%20Show=1\nAvi%20Codec=0\n"
                     "Ip%20Label=INTRANET\n"));
    Put("view_settings", "odd-values",
        SettingsFile("[Setting]\nUser%20ISeed=\"a, b\"\nUser%20PSeed=x,y,z\nHost%20Port=4294967295\nRotate%20Interval=-1\n"
                     "Ptz%20Type=0x10\nIp%20Label=" + std::string(80, 'L') + "\xc3\xa9\nHost%20IPAddress=@ByteArray(abc)\n"
                     "Date%20Show= 12 \nAvi%20Codec=99999999999\n"));
    Put("view_settings", "empty", SettingsFile(""));
    Put("view_settings", "other-group", SettingsFile("[General]\nHost%20Port=1\n[Setting]\nHost%20Port\n"));

    // Written by the target: every key, with texts longer than their fields and numbers past a byte.
    Bytes every{1};
    AppendLe16(every, 0x3FFF);
    AppendField(every, std::string(70, 'u'));
    AppendField(every, "secret");
    AppendField(every, std::string(40, '9'));
    for (uint32_t dw : {8001u, 0xFFFFFF05u, 259u, 6u, 1u, 0x80000000u, 2u, 12u, 1u, 1u})
        AppendLe32(every, dw);
    AppendField(every, "Shop.2");
    Put("view_settings", "chosen-every-key", every);
    Put("view_settings", "chosen-no-key", Bytes{1, 0, 0});
    Bytes some{1};
    AppendLe16(some, 0x2009); // user, host port, ip label
    AppendField(some, "");
    AppendLe32(some, 0xFFFFFFFFu);
    AppendField(some, std::string(65, 'L'));
    Put("view_settings", "chosen-some-keys", some);
}

// link_threads: a settings byte, then steps (see the target).
void LinkThreadSeeds()
{
    auto live = [](Bytes& in, uint8_t ch, uint8_t split) { in.insert(in.end(), {0, ch, split}); };
    auto play = [](Bytes& in, uint8_t ch, uint8_t split) { in.insert(in.end(), {1, ch, split}); };
    auto command = [](Bytes& in, uint8_t c) { in.push_back(static_cast<uint8_t>(7 | c << 3)); };
    constexpr uint8_t kTurn = 4, kRung = 5;

    Bytes three{1};
    live(three, 0, 128);
    live(three, 1, 0);
    live(three, 2, 50);
    three.push_back(kTurn);
    live(three, 0, 200);
    three.push_back(kRung);
    live(three, 0, 90);
    three.push_back(kTurn);
    Put("link_threads", "live-three-channels", three);

    Bytes reconnect{0};
    live(reconnect, 1, 100);
    live(reconnect, 2, 100);
    command(reconnect, 0);
    reconnect.push_back(kTurn);
    live(reconnect, 3, 100);
    reconnect.push_back(static_cast<uint8_t>(6 | 3 << 3)); // 30 s without pictures
    live(reconnect, 4, 100);
    reconnect.push_back(kTurn);
    Put("link_threads", "reconnect-mid-decode", reconnect);

    Bytes archive{1};
    live(archive, 3, 100);
    archive.insert(archive.end(), {3, 1, 0xFF, 0xFF});
    archive.push_back(kTurn);
    command(archive, 2);
    play(archive, 5, 100);
    play(archive, 5, 10);
    archive.insert(archive.end(), {3, 3, 0xFF, 0xFF});
    play(archive, 6, 100);
    archive.push_back(kTurn);
    archive.insert(archive.end(), {3, 0, 0x08, 0x00});
    command(archive, 3);
    live(archive, 3, 100);
    live(archive, 4, 100);
    archive.push_back(kTurn);
    Put("link_threads", "archive-and-mask", archive);

    Bytes toggle{1};
    for (uint8_t ch = 0; ch < 6; ++ch)
        live(toggle, ch, 120);
    command(toggle, 4);
    live(toggle, 7, 120);
    command(toggle, 7);
    live(toggle, 8, 120);
    command(toggle, 4);
    live(toggle, 9, 120);
    Put("link_threads", "threads-off-and-on", toggle);

    Bytes stop{0};
    command(stop, 6);
    stop.insert(stop.end(), {2, 8, 4});
    live(stop, 2, 100);
    command(stop, 1);
    stop.push_back(kTurn);
    command(stop, 5);
    live(stop, 2, 100);
    stop.push_back(kTurn);
    Put("link_threads", "shown-size-and-stop", stop);

    Bytes backlog{1};
    for (int i = 0; i < 48; ++i)
        live(backlog, static_cast<uint8_t>(i % 5), static_cast<uint8_t>(30 + i));
    Put("link_threads", "backlog", backlog);

    for (const uint8_t bySettings : {uint8_t{0x0B}, uint8_t{0x06}}) {
        Bytes raw{bySettings};
        live(raw, 1, 100);
        const CPacketBuilder b(bySettings & 2 ? wire::kMagicV10 : wire::kMagicV12);
        Bytes alarm;
        b.AppendAlarmEvent(alarm, 2, true, false, true);
        raw.push_back(2);
        raw.push_back(static_cast<uint8_t>(alarm.size()));
        Append(raw, alarm);
        live(raw, 1, 60);
        raw.insert(raw.end(), {2, 12, 'D', 'V', 'R', ' ', 'P', 'A', 'C', 'K', 'E', 'T', '1', '.'});
        live(raw, 2, 100);
        raw.push_back(kTurn);
        Put("link_threads", bySettings & 8 ? "raw-code-checked" : "raw-v10", raw);
    }
}

// display_mode: wanted width and height, flags, then what "xrandr --current" printed.
Bytes XrandrInput(uint16_t wWidth, uint16_t wHeight, uint8_t byFlags, std::string_view text)
{
    Bytes in;
    AppendLe16(in, wWidth);
    AppendLe16(in, wHeight);
    in.push_back(byFlags);
    Append(in, Text(text));
    return in;
}

void XrandrSeeds()
{
    const std::string_view two =
        "Screen 0: minimum 320 x 200, current 3200 x 1080, maximum 16384 x 16384\n"
        "eDP-1 connected primary 1920x1080+0+0 (normal left inverted right x axis y axis) 344mm x 194mm\n"
        "   1920x1080     60.02*+  59.97    48.00  \n"
        "   1680x1050     59.88  \n"
        "   1024x768i     87.00  \n"
        "   1024x768      60.00    60.04  \n"
        "HDMI-1 disconnected (normal left inverted right x axis y axis)\n"
        "DP-1 connected 1280x1024+1920+0 (normal left inverted right x axis y axis) 376mm x 301mm\n"
        "   1280x1024     60.02 +  75.02*\n"
        "   800x600       60.32  \n";
    Put("display_mode", "primary-switch", XrandrInput(1024, 768, 2, two));
    Put("display_mode", "already-that-size", XrandrInput(1920, 1080, 0, two));
    Put("display_mode", "query-fails", XrandrInput(1024, 768, 1, two));
    Put("display_mode", "no-primary-old-rate",
        XrandrInput(640, 480, 0,
                    "VGA-0 disconnected\nLVDS connected 1024x768+0+0 (normal) 0mm x 0mm\n"
                    "   1024x768       60.0 * \n   800x600        60.3  \n   640x480        59.9  \n"));
    Put("display_mode", "interlaced-only",
        XrandrInput(1920, 1080, 0, "HDMI-2 connected primary 1280x720+0+0\n   1280x720 60.00*+\n   1920x1080i 60.00\n"));
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
    Put("command_line", "profiles", Text("--profile\0shop\0--profile=..\0--profile\0--\0--help"sv));
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <fuzz folder>\n", argv[0]);
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
    LinkThreadSeeds();
    XrandrSeeds();
    return 0;
}
