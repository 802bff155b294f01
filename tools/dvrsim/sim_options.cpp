#include "sim_options.h"

#include "picture_ring.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QRegularExpression>

#include <type_traits>
#include <utility>

namespace ostrel::dvrsim {

namespace {

bool ToInt(const QString& text, int nMin, int nMax, int& nOut)
{
    bool bOk = false;
    const long long n = text.toLongLong(&bOk, 0);
    if (!bOk || n < nMin || n > nMax)
        return false;
    nOut = static_cast<int>(n);
    return true;
}

bool ToMoment(const QString& text, int64_t& nSeconds)
{
    const QDateTime moment = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!moment.isValid())
        return false;
    nSeconds = moment.toSecsSinceEpoch();
    return true;
}

// The options read so far and the error to report. A number's error is kept only when no error
// came before it; any other error takes the place of the one before.
struct Parse {
    SimOptions o;
    QString strBad;
};

struct OptionRow;
// What an option on the command line does with its value.
using Apply = void (*)(Parse& parse, const OptionRow& row, const QString& strValue);

// One option, written once for the parser, its help text and what it sets.
struct OptionRow {
    const char* pszName;
    const char* pszValueName;          // the value's name in the help text; nullptr: a flag
    Apply apply;                       // called only when the option is given
    const char* pszHelp;
    int nMin = 0;                      // a number's range
    int nMax = 0;
    const char* pszGoesWith = nullptr; // an option given with this one or not at all
};

// The field a row sets: a member of SimOptions, or a member of one of its members.
template <auto... Path>
auto& Field(SimOptions& o)
{
    return (o .* ... .* Path);
}

// The value as a number in the row's range (decimal, 0x hexadecimal or 0 octal); false, and
// the error noted, when it is not one.
bool ReadNumber(Parse& parse, const OptionRow& row, const QString& strValue, int& nOut)
{
    if (ToInt(strValue, row.nMin, row.nMax, nOut))
        return true;
    if (parse.strBad.isEmpty())
        parse.strBad = QStringLiteral("--%1 wants a number from %2 to %3")
                           .arg(QString::fromLatin1(row.pszName))
                           .arg(row.nMin)
                           .arg(row.nMax);
    return false;
}

// A number in the row's range into the field.
template <auto... Path>
void Number(Parse& parse, const OptionRow& row, const QString& strValue)
{
    int n = 0;
    if (!ReadNumber(parse, row, strValue, n))
        return;
    auto& field = Field<Path...>(parse.o);
    field = static_cast<std::remove_reference_t<decltype(field)>>(n);
}

// The text into the field.
template <auto... Path>
void Text(Parse& parse, const OptionRow&, const QString& strValue)
{
    Field<Path...>(parse.o) = strValue;
}

// A flag: the field is set.
template <auto... Path>
void Flag(Parse& parse, const OptionRow&, const QString&)
{
    Field<Path...>(parse.o) = true;
}

// A local time "YYYY-MM-DD HH:MM:SS" into the field.
template <auto... Path>
void Moment(Parse& parse, const OptionRow& row, const QString& strValue)
{
    int64_t nSeconds = 0;
    if (ToMoment(strValue, nSeconds))
        Field<Path...>(parse.o) = nSeconds;
    else
        parse.strBad = QStringLiteral("--%1 wants \"YYYY-MM-DD HH:MM:SS\"").arg(QString::fromLatin1(row.pszName));
}

// --magic: 1.0 or 1.2, or the whole magic text of either.
void Magic(Parse& parse, const OptionRow&, const QString& strValue)
{
    if (strValue == QLatin1String("1.0") || strValue == QLatin1String("DVR PACKET1.0"))
        parse.o.strMagic = QStringLiteral("DVR PACKET1.0");
    else if (strValue == QLatin1String("1.2") || strValue == QLatin1String("DVR PACKET1.2"))
        parse.o.strMagic = QStringLiteral("DVR PACKET1.2");
    else
        parse.strBad = QStringLiteral("--magic wants 1.0 or 1.2");
}

// --channels: a number that is 1, 4, 8 or 16.
void Channels(Parse& parse, const OptionRow& row, const QString& strValue)
{
    Number<&SimOptions::nChannels>(parse, row, strValue);
    const int n = parse.o.nChannels;
    if (n != 1 && n != 4 && n != 8 && n != 16)
        parse.strBad = QStringLiteral("--channels wants 1, 4, 8 or 16");
}

// --width: a number that is 640, 704 or 720.
void Width(Parse& parse, const OptionRow& row, const QString& strValue)
{
    Number<&SimOptions::format, &FeedFormat::nWidth>(parse, row, strValue);
    const int n = parse.o.format.nWidth;
    if (n != 640 && n != 704 && n != 720)
        parse.strBad = QStringLiteral("--width wants 640, 704 or 720");
}

// --subsampling: 420, 422, 444 or gray.
void Subsampling(Parse& parse, const OptionRow&, const QString& strValue)
{
    static constexpr std::pair<const char*, JpegSubsampling> kNames[] = {
        {"420", JpegSubsampling::S420}, {"422", JpegSubsampling::S422},
        {"444", JpegSubsampling::S444}, {"gray", JpegSubsampling::Gray}};
    for (const auto& [pszName, subsampling] : kNames) {
        if (strValue == QLatin1String(pszName)) {
            parse.o.format.subsampling = subsampling;
            return;
        }
    }
    parse.strBad = QStringLiteral("--subsampling wants 420, 422, 444 or gray");
}

// --range-end: a moment after --range-start.
void RangeEnd(Parse& parse, const OptionRow& row, const QString& strValue)
{
    Moment<&SimOptions::rangeEnd>(parse, row, strValue);
    if (parse.o.rangeStart && parse.o.rangeEnd && *parse.o.rangeEnd <= *parse.o.rangeStart)
        parse.strBad = QStringLiteral("--range-end must be after --range-start");
}

// --gap: a daily stretch "HH:MM-HH:MM".
void Gap(Parse& parse, const OptionRow&, const QString& strValue)
{
    if (!ParseDailyGap(strValue, parse.o.nGapFrom, parse.o.nGapTo))
        parse.strBad = QStringLiteral("--gap wants HH:MM-HH:MM");
}

// --split: "random" (pieces of up to 4096 bytes unless --split-max says otherwise), or the
// size of every piece.
void Split(Parse& parse, const OptionRow& row, const QString& strValue)
{
    if (strValue == QLatin1String("random")) {
        parse.o.split = SplitMode::Random;
        parse.o.nSplitBytes = 4096;
    } else {
        parse.o.split = SplitMode::Fixed;
        Number<&SimOptions::nSplitBytes>(parse, row, strValue);
    }
}

// --split-max: the largest random piece; not read without --split random.
void SplitMax(Parse& parse, const OptionRow& row, const QString& strValue)
{
    if (parse.o.split == SplitMode::Random)
        Number<&SimOptions::nSplitBytes>(parse, row, strValue);
}

// Every option but --help, in the order of the help text. They are applied in this order too,
// which decides the error reported when several are wrong (see Parse).
constexpr OptionRow kOptions[] = {
    {"port", "N", Number<&SimOptions::wPort>, "TCP port to listen on (default 8000; 0 picks a free one).", 0, 65535},
    {"bind", "ADDR", Text<&SimOptions::strBind>, "Address to listen on (default: every address)."},
    {"port-file", "FILE", Text<&SimOptions::strPortFile>, "Write the port actually bound to FILE."},
    {"user", "ID", Text<&SimOptions::user>, "Accept only this user ID (default: any)."},
    {"password", "PW", Text<&SimOptions::password>, "Accept only this password (default: any)."},
    {"magic", "1.0|1.2", Magic,
     "Answer with \"DVR PACKET1.0\" (1.0: seconds values) or \"DVR PACKET1.2\" (1.2, default: date and time words)."},
    {"channels", "N", Channels,
     "Channel count sent at login: 1, 4, 8 or 16 (default 16). 1 and 8 make the client trust the header's channel.",
     1, 16},
    {"model", "N", Number<&SimOptions::nModel>, "DVR model byte of the login reply (default 0x16).", 0, 255},
    // Up to 5000 for load tests: a client that cannot keep up gets what it can take.
    {"fps", "N", Number<&SimOptions::nFps>,
     "Live pictures per second per channel in multi-channel view (default 15; up to 5000 for load tests).", 1, 5000},
    {"single-fps", "N", Number<&SimOptions::nSingleFps>,
     "Live pictures per second in single-channel view (default 30; up to 16000 for load tests).", 1, 16000},
    {"play-fps", "N", Number<&SimOptions::nPlayFps>, "Play pictures per second per channel (default 10).", 1, 60},
    {"scene-fps", "N", Number<&SimOptions::format, &FeedFormat::nSceneFps>,
     "Scene drawings per second per camera (default 10).", 1, 60},
    {"prerendered", "N", Number<&SimOptions::nPrerendered>,
     "Load tests: encode N live pictures per camera once and send them in turn (1..100; playback still draws).", 1,
     CPictureRing::kMaxPictures},
    {"width", "N", Width, "Picture width: 640 (default), 704 or 720.", 640, 720},
    {"height", "N", Number<&SimOptions::format, &FeedFormat::nHeight>,
     "Picture height, 16..576 (default 240; 480 is refused by the client).", 16, 576},
    {"quality", "N", Number<&SimOptions::format, &FeedFormat::nQuality>, "JPEG quality 1..100 (default 80).", 1, 100},
    {"subsampling", "S", Subsampling, "Chroma subsampling: 420 (default), 422, 444 or gray."},
    {"range-days", "N", Number<&SimOptions::nRangeDays>, "Recorded range: the last N days (default 7).", 1, 3650},
    {"range-start", "T", Moment<&SimOptions::rangeStart>,
     "Recorded range start, \"YYYY-MM-DD HH:MM:SS\" local time."},
    {"range-end", "T", RangeEnd, "Recorded range end (default: now, moving with the clock)."},
    {"gap", "HH:MM-HH:MM", Gap, "A daily stretch without recording, e.g. 03:00-03:30 (\"no image\")."},
    {"event-count", "N", Number<&SimOptions::nEventCount>, "Records in the event log (default 200).", 0, 100000},
    {"alarm-every", "N", Number<&SimOptions::nAlarmEverySec>, "Send an alarm notice every N seconds (default: never).",
     0, 86400},
    {"ptz-reply", nullptr, Flag<&SimOptions::bPtzReply>, "Answer PTZ data with a PTZ data reply."},
    {"silence-after", "N", Number<&SimOptions::nSilenceAfter>, "Fault: send nothing after N packets.", 0, 1 << 30},
    {"close-after", "N", Number<&SimOptions::nCloseAfter>, "Fault: close the connection after N packets.", 0, 1 << 30},
    {"split", "N|random", Split, "Fault: write every packet in pieces of N bytes, or of random sizes.", 1, 1 << 20},
    {"split-max", "N", SplitMax, "Largest random piece (default 4096).", 1, 1 << 20},
    {"split-gap-ms", "N", Number<&SimOptions::nSplitGapMs>, "Pause between pieces (default 1 ms).", 0, 1000},
    {"coalesce", "N", Number<&SimOptions::nCoalesce>, "Fault: write N packets at a time in one write.", 0, 1000},
    {"garbage-every", "N", Number<&SimOptions::nGarbageEvery>, "Fault: bytes of garbage after every Nth packet.", 0,
     1 << 30},
    {"garbage-bytes", "N", Number<&SimOptions::nGarbageBytes>, "How many garbage bytes (default 37).", 1, 65536},
    {"wrong-channel-every", "N", Number<&SimOptions::nWrongChannelEvery>,
     "Fault: every Nth picture carries another channel's code.", 0, 1 << 30},
    {"truncate-every", "N", Number<&SimOptions::nTruncateEvery>, "Fault: every Nth picture's JPEG is cut short.", 0,
     1 << 30},
    {"oversize-every", "N", Number<&SimOptions::nOversizeEvery>,
     "Fault: every Nth packet announces a huge total length.", 0, 1 << 30},
    {"alarm-flood", "N", Number<&SimOptions::nAlarmFloodPerSec>,
     "Fault: N alarm notices a second besides --alarm-every.", 0, 100000},
    {"event-log-flood", "N", Number<&SimOptions::nEventLogFloodMs>, "Fault: an unasked event log every N ms.", 0,
     86400000},
    {"trickle", "N", Number<&SimOptions::nTrickleByteMs>,
     "Fault: send a packet's header, then one byte every N ms, and nothing else.", 0, 86400000},
    {"fault-cycle", "N", Number<&SimOptions::nFaultCycleSec>,
     "Fault plan: the faults above in turn, each for a thirteenth of N seconds, and every connection closed every N "
     "seconds (N >= 13; see README).",
     13, 86400},
    {"outage-at", "N", Number<&SimOptions::nOutageAtSec>,
     "Fault plan: stop listening and drop every connection N seconds after the start (with --outage-for).", 0,
     86400 * 30},
    {"outage-for", "N", Number<&SimOptions::nOutageSec>, "Length of that outage in seconds.", 1, 86400, "outage-at"},
    {"stop-reading-at", "N", Number<&SimOptions::nDeafAtSec>,
     "Fault plan: stop reading the connections open N seconds after the start, while still sending "
     "(with --stop-reading-for).",
     0, 86400 * 30},
    {"stop-reading-for", "N", Number<&SimOptions::nDeafSec>, "How long those connections go unread, in seconds.", 1,
     86400, "stop-reading-at"},
    {"seed", "N", Number<&SimOptions::dwSeed>, "Seed of the random faults and the event log (default 1).", 0,
     0x7FFFFFFF},
    {"contact-sheet", "FILE", Text<&SimOptions::strContactSheet>,
     "Write one picture of every camera into a PNG and exit."},
};

// The parser's option for a row.
QCommandLineOption CommandLineOption(const OptionRow& row)
{
    const QString strName = QString::fromLatin1(row.pszName);
    const QString strHelp = QString::fromLatin1(row.pszHelp);
    return row.pszValueName == nullptr ? QCommandLineOption(strName, strHelp)
                                       : QCommandLineOption(strName, strHelp, QString::fromLatin1(row.pszValueName));
}

// One row on the parsed command line: its value if the option is given, then whether the option
// it goes with is given as well.
void ApplyRow(const QCommandLineParser& parser, const OptionRow& row, Parse& parse)
{
    const QString strName = QString::fromLatin1(row.pszName);
    const bool bSet = parser.isSet(strName);
    if (bSet)
        row.apply(parse, row, parser.value(strName));
    if (row.pszGoesWith != nullptr && parser.isSet(QString::fromLatin1(row.pszGoesWith)) != bSet)
        parse.strBad = QStringLiteral("--%1 and --%2 go together").arg(QString::fromLatin1(row.pszGoesWith), strName);
}

} // namespace

bool ParseDailyGap(const QString& text, int& nFrom, int& nTo)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,2}):(\\d{2})-(\\d{1,2}):(\\d{2})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const int h0 = match.captured(1).toInt(), m0 = match.captured(2).toInt();
    const int h1 = match.captured(3).toInt(), m1 = match.captured(4).toInt();
    if (h0 > 24 || h1 > 24 || m0 > 59 || m1 > 59 || (h0 == 24 && m0 > 0) || (h1 == 24 && m1 > 0))
        return false;
    nFrom = h0 * 3600 + m0 * 60;
    nTo = h1 * 3600 + m1 * 60;
    return true;
}

std::optional<SimOptions> ParseSimOptions(const QStringList& arguments, QString& strError, QString& strHelp)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A recorder simulator: 16 synthetic cameras, live and recorded pictures, event log, alarm notices,\n"
        "and faults to inject, over the recorder's packet protocol on TCP."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    parser.addOption(help);
    for (const OptionRow& row : kOptions)
        parser.addOption(CommandLineOption(row));

    if (!parser.parse(arguments)) {
        strError = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        strHelp = parser.helpText();
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        strError = QStringLiteral("unexpected argument: ") + parser.positionalArguments().first();
        return std::nullopt;
    }
    Parse parse;
    for (const OptionRow& row : kOptions)
        ApplyRow(parser, row, parse);
    if (!parse.strBad.isEmpty()) {
        strError = parse.strBad;
        return std::nullopt;
    }
    return parse.o;
}

} // namespace ostrel::dvrsim
