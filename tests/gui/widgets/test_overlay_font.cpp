// The overlay face: the built-in one in every application, and every text of the live view's
// panel in its box in the lines it must take.
#include "widgets/overlay_font.h"

#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QRawFont>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using ostrel::OverlayFont;

namespace {

int g_argc = 1;
char g_name[] = "test_overlay_font";
char* g_argv[] = {g_name, nullptr};

// (left, top)-(right, bottom) as the panel is laid out, in view pixels.
QRect Box(int l, int t, int r, int b)
{
    return QRect(l, t, r - l, b - t);
}

constexpr int kStatusFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
constexpr int kLineFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
constexpr int kCentredFlags = Qt::AlignCenter | Qt::TextSingleLine;

struct Placement {
    const char* pszWhat;
    QRect rc;
    int nFlags;
    QString strText;
    int nLines; // lines the text must take
};

// Every text of the panel at its widest, in its box with its flags.
std::vector<Placement> PanelTexts()
{
    const QRect rcStatus = Box(740, 195, 840, 225);
    const QRect rcPtz = Box(790, 500, 811, 512);
    std::vector<Placement> texts = {
        {"code 0", rcStatus, kStatusFlags, QStringLiteral("WAITING FOR CONNECTION."), 2},
        {"code 1", rcStatus, kStatusFlags, QStringLiteral("CONNECTION ESTABLISHED."), 2},
        {"code 4", rcStatus, kStatusFlags, QStringLiteral("TRY RECONNECTION"), 1},
        {"code 5", rcStatus, kStatusFlags, QStringLiteral("CONNECTION FAIL:"), 1},
        {"code 5, refused", rcStatus, kStatusFlags, QStringLiteral("CONNECTION FAIL: REFUSED"), 2},
        {"code 5, unreachable", rcStatus, kStatusFlags, QStringLiteral("CONNECTION FAIL: UNREACHABLE"), 2},
        {"code 5, timed out", rcStatus, kStatusFlags, QStringLiteral("CONNECTION FAIL: TIMED OUT"), 2},
        {"code 5, unknown host", rcStatus, kStatusFlags, QStringLiteral("CONNECTION FAIL: UNKNOWN HOST"), 2},
        {"code 6 with the most misses", rcStatus, kStatusFlags, QStringLiteral("TRY REQUEST IMAGE 255"), 1},
        {"code 7, last channel", rcStatus, kStatusFlags, QStringLiteral("[CH 16] [Alarm:255 Loss:255 Motion:255]"), 2},
        {"code 7, every field at its byte's largest", rcStatus, kStatusFlags,
         QStringLiteral("[CH 255] [Alarm:255 Loss:255 Motion:255]"), 2},
        {"code 7, quiet", rcStatus, kStatusFlags, QStringLiteral("[CH 1] [Alarm:0 Loss:0 Motion:1]"), 2},
        {"record folder unusable at the start", rcStatus, kStatusFlags, QStringLiteral("RECORD FOLDER UNUSABLE"), 2},
        {"status caption", Box(740, 181, 840, 194), kLineFlags, QStringLiteral("STATUS :"), 1},
        {"widest date", Box(740, 85, 840, 100), kLineFlags, QStringLiteral("2026 / 12 / 30"), 1},
        {"last second of the day", Box(740, 115, 840, 130), kLineFlags, QStringLiteral("PM 11 : 59 : 59"), 1},
        {"midnight", Box(740, 115, 840, 130), kLineFlags, QStringLiteral("AM 00 : 00 : 00"), 1},
        {"largest position a recorder can send", Box(740, 140, 855, 155), kLineFlags,
         QStringLiteral("R-POS : 429496.7295%"), 1},
        {"play position full", Box(740, 155, 855, 170), kLineFlags, QStringLiteral("P-POS : 100.0000%"), 1},
    };
    for (int n = 1; n <= 16; ++n)
        texts.push_back({"PTZ camera", rcPtz, kCentredFlags, QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0')), 1});
    return texts;
}

} // namespace

TEST(OverlayFont, IsTheBuiltInFaceInEachNewApplicationAndEveryPanelTextFitsItsBox)
{
    // Only the program's own fonts: with the machine's fonts out of sight, an installed copy of
    // the face cannot stand in for the built-in one. Set before any application reads the fonts;
    // the offscreen platform needs no display.
    qputenv("FONTCONFIG_FILE", OSTREL_NO_SYSTEM_FONTS_CONF);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A new application starts with a new font database; the face must be registered again.
    ASSERT_EQ(nullptr, QApplication::instance()) << "needs to create its own applications";
    for (int nRound = 0; nRound < 2; ++nRound) {
        SCOPED_TRACE(nRound);
        QApplication app(g_argc, g_argv);
        const QFontInfo info(OverlayFont());
        EXPECT_EQ("Roboto Condensed", info.family().toStdString());
        EXPECT_EQ("Bold", info.styleName().toStdString());
        EXPECT_TRUE(info.exactMatch());
        // The engine that draws reads the embedded file, not a look-alike the system may have:
        // the face's header table (revision, checksum, dates) and its metrics are that file's.
        QFile file(QString::fromLatin1(ostrel::kOverlayFontResource));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QRawFont embedded(file.readAll(), 9), drawn = QRawFont::fromFont(OverlayFont());
        ASSERT_TRUE(embedded.isValid() && drawn.isValid());
        for (const char* pszTable : {"head", "hmtx"}) {
            EXPECT_FALSE(embedded.fontTable(pszTable).isEmpty()) << pszTable;
            EXPECT_TRUE(embedded.fontTable(pszTable) == drawn.fontTable(pszTable)) << pszTable;
        }

        const QFontMetrics metrics(OverlayFont());
        const qreal lineHeight = QFontMetricsF(OverlayFont()).height();
        for (const Placement& p : PanelTexts()) {
            SCOPED_TRACE(::testing::Message() << p.pszWhat << ": \"" << p.strText.toStdString() << "\"");
            // No font merging: a missing glyph would draw as a box, not in another face.
            for (const QChar ch : p.strText)
                EXPECT_TRUE(metrics.inFont(ch)) << "'" << ch.toLatin1() << "'";
            const QRect rcUsed = metrics.boundingRect(p.rc, p.nFlags, p.strText);
            EXPECT_TRUE(p.rc.contains(rcUsed)) << "box " << p.rc.width() << " x " << p.rc.height() << ", text "
                                               << rcUsed.width() << " x " << rcUsed.height();
            // The used height is whole lines of the font's fractional height, rounded out to pixels.
            EXPECT_EQ(p.nLines, std::lround(rcUsed.height() / lineHeight)) << rcUsed.height() << " pixels high";
        }
    }
    QFile licence(QString::fromLatin1(ostrel::kOverlayFontLicenceResource));
    ASSERT_TRUE(licence.open(QIODevice::ReadOnly));
    EXPECT_TRUE(licence.readAll().contains("TERMS AND CONDITIONS FOR USE, REPRODUCTION, AND DISTRIBUTION"));
}
