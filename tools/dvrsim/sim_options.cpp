#include "sim_options.h"

#include "picture_ring.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QRegularExpression>

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
    const auto opt = [](const char* name, const char* text, const char* value = nullptr) {
        return value == nullptr ? QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(text))
                                : QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(text),
                                                     QString::fromLatin1(value));
    };
    const QCommandLineOption port = opt("port", "TCP port to listen on (default 8000; 0 picks a free one).", "N");
    const QCommandLineOption bind = opt("bind", "Address to listen on (default: every address).", "ADDR");
    const QCommandLineOption portFile = opt("port-file", "Write the port actually bound to FILE.", "FILE");
    const QCommandLineOption user = opt("user", "Accept only this user ID (default: any).", "ID");
    const QCommandLineOption password = opt("password", "Accept only this password (default: any).", "PW");
    const QCommandLineOption magic = opt("magic", "Answer with \"DVR PACKET1.0\" (1.0: seconds values) or "
                                                  "\"DVR PACKET1.2\" (1.2, default: date and time words).", "1.0|1.2");
    const QCommandLineOption channels = opt("channels", "Channel count sent at login: 1, 4, 8 or 16 (default 16). "
                                                        "1 and 8 make the client trust the header's channel.", "N");
    const QCommandLineOption model = opt("model", "DVR model byte of the login reply (default 0x16).", "N");
    const QCommandLineOption fps = opt("fps", "Live pictures per second per channel in multi-channel view (default 15; up to 5000 for load tests).", "N");
    const QCommandLineOption singleFps = opt("single-fps", "Live pictures per second in single-channel view (default 30; up to 16000 for load tests).", "N");
    const QCommandLineOption playFps = opt("play-fps", "Play pictures per second per channel (default 10).", "N");
    const QCommandLineOption sceneFps = opt("scene-fps", "Scene drawings per second per camera (default 10).", "N");
    const QCommandLineOption prerendered = opt("prerendered", "Load tests: encode N live pictures per camera once "
                                                              "and send them in turn (1..100; playback still draws).", "N");
    const QCommandLineOption width = opt("width", "Picture width: 640 (default), 704 or 720.", "N");
    const QCommandLineOption height = opt("height", "Picture height, 16..576 (default 240; 480 is refused by the client).", "N");
    const QCommandLineOption quality = opt("quality", "JPEG quality 1..100 (default 80).", "N");
    const QCommandLineOption subsampling = opt("subsampling", "Chroma subsampling: 420 (default), 422, 444 or gray.", "S");
    const QCommandLineOption rangeDays = opt("range-days", "Recorded range: the last N days (default 7).", "N");
    const QCommandLineOption rangeStart = opt("range-start", "Recorded range start, \"YYYY-MM-DD HH:MM:SS\" local time.", "T");
    const QCommandLineOption rangeEnd = opt("range-end", "Recorded range end (default: now, moving with the clock).", "T");
    const QCommandLineOption gap = opt("gap", "A daily stretch without recording, e.g. 03:00-03:30 (\"no image\").", "HH:MM-HH:MM");
    const QCommandLineOption eventCount = opt("event-count", "Records in the event log (default 200).", "N");
    const QCommandLineOption alarmEvery = opt("alarm-every", "Send an alarm notice every N seconds (default: never).", "N");
    const QCommandLineOption ptzReply = opt("ptz-reply", "Answer PTZ data with a PTZ data reply.");
    const QCommandLineOption silenceAfter = opt("silence-after", "Fault: send nothing after N packets.", "N");
    const QCommandLineOption closeAfter = opt("close-after", "Fault: close the connection after N packets.", "N");
    const QCommandLineOption split = opt("split", "Fault: write every packet in pieces of N bytes, or of random sizes.", "N|random");
    const QCommandLineOption splitMax = opt("split-max", "Largest random piece (default 4096).", "N");
    const QCommandLineOption splitGap = opt("split-gap-ms", "Pause between pieces (default 1 ms).", "N");
    const QCommandLineOption coalesce = opt("coalesce", "Fault: write N packets at a time in one write.", "N");
    const QCommandLineOption garbageEvery = opt("garbage-every", "Fault: bytes of garbage after every Nth packet.", "N");
    const QCommandLineOption garbageBytes = opt("garbage-bytes", "How many garbage bytes (default 37).", "N");
    const QCommandLineOption wrongChannel = opt("wrong-channel-every", "Fault: every Nth picture carries another channel's code.", "N");
    const QCommandLineOption truncate = opt("truncate-every", "Fault: every Nth picture's JPEG is cut short.", "N");
    const QCommandLineOption oversize = opt("oversize-every", "Fault: every Nth packet announces a huge total length.", "N");
    const QCommandLineOption alarmFlood = opt("alarm-flood", "Fault: N alarm notices a second besides --alarm-every.", "N");
    const QCommandLineOption eventLogFlood = opt("event-log-flood", "Fault: an unasked event log every N ms.", "N");
    const QCommandLineOption trickle = opt("trickle", "Fault: send a packet's header, then one byte every N ms, and nothing else.", "N");
    const QCommandLineOption faultCycle = opt("fault-cycle", "Fault plan: the faults above in turn, each for a thirteenth "
                                                             "of N seconds, and every connection closed every N seconds "
                                                             "(N >= 13; see README).", "N");
    const QCommandLineOption outageAt = opt("outage-at", "Fault plan: stop listening and drop every connection N seconds "
                                                         "after the start (with --outage-for).", "N");
    const QCommandLineOption outageFor = opt("outage-for", "Length of that outage in seconds.", "N");
    const QCommandLineOption deafAt = opt("stop-reading-at", "Fault plan: stop reading the connections open N seconds after "
                                                             "the start, while still sending (with --stop-reading-for).", "N");
    const QCommandLineOption deafFor = opt("stop-reading-for", "How long those connections go unread, in seconds.", "N");
    const QCommandLineOption seed = opt("seed", "Seed of the random faults and the event log (default 1).", "N");
    const QCommandLineOption contactSheet = opt("contact-sheet", "Write one picture of every camera into a PNG and exit.", "FILE");

    parser.addOption(help);
    for (const QCommandLineOption* p :
         {&port, &bind, &portFile, &user, &password, &magic, &channels, &model, &fps, &singleFps, &playFps, &sceneFps,
          &prerendered, &width, &height, &quality, &subsampling, &rangeDays, &rangeStart, &rangeEnd, &gap, &eventCount,
          &alarmEvery, &ptzReply, &silenceAfter, &closeAfter, &split, &splitMax, &splitGap, &coalesce, &garbageEvery,
          &garbageBytes, &wrongChannel, &truncate, &oversize, &alarmFlood, &eventLogFlood, &trickle, &faultCycle, &outageAt,
          &outageFor, &deafAt, &deafFor, &seed, &contactSheet})
        parser.addOption(*p);

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

    SimOptions o;
    QString strBad;
    const auto number = [&](const QCommandLineOption& option, int nMin, int nMax, int& nOut) {
        if (parser.isSet(option) && !ToInt(parser.value(option), nMin, nMax, nOut) && strBad.isEmpty())
            strBad = QStringLiteral("--%1 wants a number from %2 to %3").arg(option.names().first()).arg(nMin).arg(nMax);
    };
    int nPort = o.wPort;
    number(port, 0, 65535, nPort);
    o.wPort = static_cast<uint16_t>(nPort);
    o.strBind = parser.value(bind);
    o.strPortFile = parser.value(portFile);
    if (parser.isSet(user))
        o.user = parser.value(user);
    if (parser.isSet(password))
        o.password = parser.value(password);
    if (parser.isSet(magic)) {
        const QString v = parser.value(magic);
        if (v == QLatin1String("1.0") || v == QLatin1String("DVR PACKET1.0"))
            o.strMagic = QStringLiteral("DVR PACKET1.0");
        else if (v == QLatin1String("1.2") || v == QLatin1String("DVR PACKET1.2"))
            o.strMagic = QStringLiteral("DVR PACKET1.2");
        else
            strBad = QStringLiteral("--magic wants 1.0 or 1.2");
    }
    number(channels, 1, 16, o.nChannels);
    if (o.nChannels != 1 && o.nChannels != 4 && o.nChannels != 8 && o.nChannels != 16)
        strBad = QStringLiteral("--channels wants 1, 4, 8 or 16");
    number(model, 0, 255, o.nModel);
    // Up to 5000 for load tests: a client that cannot keep up gets what it can take.
    number(fps, 1, 5000, o.nFps);
    number(singleFps, 1, 16000, o.nSingleFps);
    number(playFps, 1, 60, o.nPlayFps);
    number(sceneFps, 1, 60, o.format.nSceneFps);
    number(prerendered, 1, CPictureRing::kMaxPictures, o.nPrerendered);
    number(width, 640, 720, o.format.nWidth);
    if (o.format.nWidth != 640 && o.format.nWidth != 704 && o.format.nWidth != 720)
        strBad = QStringLiteral("--width wants 640, 704 or 720");
    number(height, 16, 576, o.format.nHeight);
    number(quality, 1, 100, o.format.nQuality);
    if (parser.isSet(subsampling)) {
        const QString v = parser.value(subsampling);
        if (v == QLatin1String("420"))
            o.format.subsampling = JpegSubsampling::S420;
        else if (v == QLatin1String("422"))
            o.format.subsampling = JpegSubsampling::S422;
        else if (v == QLatin1String("444"))
            o.format.subsampling = JpegSubsampling::S444;
        else if (v == QLatin1String("gray"))
            o.format.subsampling = JpegSubsampling::Gray;
        else
            strBad = QStringLiteral("--subsampling wants 420, 422, 444 or gray");
    }
    number(rangeDays, 1, 3650, o.nRangeDays);
    int64_t nMoment = 0;
    if (parser.isSet(rangeStart)) {
        if (ToMoment(parser.value(rangeStart), nMoment))
            o.rangeStart = nMoment;
        else
            strBad = QStringLiteral("--range-start wants \"YYYY-MM-DD HH:MM:SS\"");
    }
    if (parser.isSet(rangeEnd)) {
        if (ToMoment(parser.value(rangeEnd), nMoment))
            o.rangeEnd = nMoment;
        else
            strBad = QStringLiteral("--range-end wants \"YYYY-MM-DD HH:MM:SS\"");
    }
    if (o.rangeStart && o.rangeEnd && *o.rangeEnd <= *o.rangeStart)
        strBad = QStringLiteral("--range-end must be after --range-start");
    if (parser.isSet(gap) && !ParseDailyGap(parser.value(gap), o.nGapFrom, o.nGapTo))
        strBad = QStringLiteral("--gap wants HH:MM-HH:MM");
    number(eventCount, 0, 100000, o.nEventCount);
    number(alarmEvery, 0, 86400, o.nAlarmEverySec);
    o.bPtzReply = parser.isSet(ptzReply);
    number(silenceAfter, 0, 1 << 30, o.nSilenceAfter);
    number(closeAfter, 0, 1 << 30, o.nCloseAfter);
    if (parser.isSet(split)) {
        if (parser.value(split) == QLatin1String("random")) {
            o.split = SplitMode::Random;
            o.nSplitBytes = 4096;
        } else {
            o.split = SplitMode::Fixed;
            number(split, 1, 1 << 20, o.nSplitBytes);
        }
    }
    if (o.split == SplitMode::Random)
        number(splitMax, 1, 1 << 20, o.nSplitBytes);
    number(splitGap, 0, 1000, o.nSplitGapMs);
    number(coalesce, 0, 1000, o.nCoalesce);
    number(garbageEvery, 0, 1 << 30, o.nGarbageEvery);
    number(garbageBytes, 1, 65536, o.nGarbageBytes);
    number(wrongChannel, 0, 1 << 30, o.nWrongChannelEvery);
    number(truncate, 0, 1 << 30, o.nTruncateEvery);
    number(oversize, 0, 1 << 30, o.nOversizeEvery);
    number(alarmFlood, 0, 100000, o.nAlarmFloodPerSec);
    number(eventLogFlood, 0, 86400000, o.nEventLogFloodMs);
    number(trickle, 0, 86400000, o.nTrickleByteMs);
    number(faultCycle, 13, 86400, o.nFaultCycleSec);
    number(outageAt, 0, 86400 * 30, o.nOutageAtSec);
    number(outageFor, 1, 86400, o.nOutageSec);
    if (parser.isSet(outageAt) != parser.isSet(outageFor))
        strBad = QStringLiteral("--outage-at and --outage-for go together");
    number(deafAt, 0, 86400 * 30, o.nDeafAtSec);
    number(deafFor, 1, 86400, o.nDeafSec);
    if (parser.isSet(deafAt) != parser.isSet(deafFor))
        strBad = QStringLiteral("--stop-reading-at and --stop-reading-for go together");
    int nSeed = 1;
    number(seed, 0, 0x7FFFFFFF, nSeed);
    o.dwSeed = static_cast<uint32_t>(nSeed);
    o.strContactSheet = parser.value(contactSheet);

    if (!strBad.isEmpty()) {
        strError = strBad;
        return std::nullopt;
    }
    return o;
}

} // namespace ostrel::dvrsim
