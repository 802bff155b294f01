// The command file reader against files written by hand: what lands in which slot, and that
// nothing of a malformed or hostile file lands outside the table.
#include "ptz/ptz_command.h"

#include "fakes/fake_file_store.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <string>
#include <vector>

using namespace ostrel;
using namespace ostrel::test;

namespace {

using Bytes = std::vector<uint8_t>;

struct Expected {
    std::string strName;
    int nLength;
    Bytes bytes; // the first bytes of the record; the rest must be zero
};

// The table read from the text, with the reader's slot counter.
struct Read {
    PtzCommandTable table;
    int nCounter = 0;
};

Read ReadText(const std::string& strText)
{
    Read r;
    r.nCounter = ParseCameraTable(reinterpret_cast<const uint8_t*>(strText.data()), strText.size(), r.table);
    return r;
}

void ExpectCommand(const PtzCommandTable& table, int nSection, int nSlot, const Expected& e)
{
    SCOPED_TRACE("section " + std::to_string(nSection) + " slot " + std::to_string(nSlot));
    const PtzCommand& c = table.At(nSection, nSlot);
    EXPECT_EQ(e.strName, std::string(c.Name()));
    EXPECT_EQ(e.nLength, c.nLength);
    Bytes whole(c.bytes.begin(), c.bytes.end());
    Bytes expected = e.bytes;
    expected.resize(PtzCommand::kMaxBytes, 0);
    EXPECT_EQ(expected, whole);
}

bool IsEmpty(const PtzCommand& c)
{
    const PtzCommand empty{};
    return c.szName == empty.szName && c.nLength == 0 && c.bytes == empty.bytes;
}

// Slots that hold anything, as "section:slot".
std::vector<std::string> FilledSlots(const PtzCommandTable& table)
{
    std::vector<std::string> filled;
    for (int s = 0; s < PtzCommandTable::kCameras; ++s)
        for (int k = 0; k < PtzCommandTable::kSlots; ++k)
            if (!IsEmpty(table.At(s, k)))
                filled.push_back(std::to_string(s) + ":" + std::to_string(k));
    return filled;
}

} // namespace

TEST(PtzHexByte, FollowsItsRuleForDigitsCaseAndStrayCharacters)
{
    struct Row {
        const char* szField;
        int nValue; // worked out by hand from the rule
    };
    const Row rows[] = {
        {"1f", 0x1F},  {"1F", 0x1F}, {"a0", 0xA0}, {"FF", 0xFF}, {"00", 0x00}, {"7", 7}, {"", 0},
        {"100", 0x00}, // 256 keeps its low 8 bits
        {"1g", 0x20},  // 'G' counts 16: 1 * 16 + 16
        {"zz", 0x53},  // 'Z' counts 35: 35 * 16 + 35 = 595 = 2 * 256 + 83
        {" 1", 0x01},  // ' ' counts -16: -16 * 16 + 1 = -255, which is 1 in 8 bits
        {"-1", 0xD1},  // '-' counts -3: -3 * 16 + 1 = -47 = 209 in 8 bits
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.nValue, HexByte(row.szField)) << '"' << row.szField << '"';
}

TEST(PtzFilePath, SixCameraTypesUnderThePtzFolderAndNothingElse)
{
    const char* expected[] = {"/run/x/PTZ/pelcoD.tl", "/run/x/PTZ/pelcoP.tl",  "/run/x/PTZ/scc641.tl",
                              "/run/x/PTZ/hmc250.tl", "/run/x/PTZ/hid2404.tl", "/run/x/PTZ/dsc_230s.tl"};
    for (int n = 0; n < 6; ++n)
        EXPECT_EQ(expected[n], GetPtzFilePath(n, "/run/x")) << n;
    for (int n : {6, 7, 255, -1})
        EXPECT_EQ("", GetPtzFilePath(n, "/run/x")) << n;
}

TEST(PtzCameraTable, SectionsFillTheirCamerasSlotBySlot)
{
    const Read r = ReadText("<1>\r\n"
                            "STOP/3/a0/00/ff/\r\n"
                            "LEFT/7/FF/01/00/04/20/00/25/\r\n"
                            "<2>\n"
                            "STOP/2/1f/1F\n");
    ExpectCommand(r.table, 0, 0, {"STOP", 3, {0xA0, 0x00, 0xFF}});
    ExpectCommand(r.table, 0, 1, {"LEFT", 7, {0xFF, 0x01, 0x00, 0x04, 0x20, 0x00, 0x25}});
    ExpectCommand(r.table, 1, 0, {"STOP", 2, {0x1F, 0x1F}});
    EXPECT_EQ((std::vector<std::string>{"0:0", "0:1", "1:0"}), FilledSlots(r.table));
    EXPECT_EQ(1, r.nCounter) << "lines stored in the last section";
}

TEST(PtzCameraTable, AHeaderSwallowsTheNextLineEvenWhenItIsAHeader)
{
    const Read r = ReadText("<1>\n<2>\nSTOP/2/01/02\nLEFT/1/03\n");
    ExpectCommand(r.table, 0, 0, {"<2>", 0, {}});
    ExpectCommand(r.table, 0, 1, {"STOP", 2, {0x01, 0x02}});
    ExpectCommand(r.table, 0, 2, {"LEFT", 1, {0x03}});
    EXPECT_EQ((std::vector<std::string>{"0:0", "0:1", "0:2"}), FilledSlots(r.table)) << "camera 2 gets nothing";

    // An empty line is no command, not even right after a header.
    const Read blank = ReadText("<3>\r\n\r\nSTOP/1/05\r\n");
    ExpectCommand(blank.table, 2, 0, {"STOP", 1, {0x05}});
}

TEST(PtzCameraTable, SectionsNineToSixteenAreReadPastAndSeventeenEndsTheReading)
{
    const Read past = ReadText("<9>\nA/1/11\n<16>\nB/1/22\nC/1/23\n<3>\nS/1/33\n");
    ExpectCommand(past.table, 2, 0, {"S", 1, {0x33}});
    EXPECT_EQ(std::vector<std::string>{"2:0"}, FilledSlots(past.table));

    const Read ended = ReadText("<2>\nA/1/01\n<17>\nB/1/02\n<2>\nC/1/03\nD/1/04\n");
    ExpectCommand(ended.table, 1, 0, {"A", 1, {0x01}});
    EXPECT_EQ(std::vector<std::string>{"1:0"}, FilledSlots(ended.table));

    // A command whose name starts with a positive number is a header too.
    const Read numbered = ReadText("<4>\nS/1/01\n5 AUX/1/02\nT/1/03\n");
    ExpectCommand(numbered.table, 3, 0, {"S", 1, {0x01}});
    ExpectCommand(numbered.table, 4, 0, {"T", 1, {0x03}});
}

TEST(PtzCameraTable, ARepeatedSectionStartsAgainAtSlotZero)
{
    const Read r = ReadText("<1>\nA/1/01\nB/1/02\nC/1/03\n<1>\nD/1/04\n");
    ExpectCommand(r.table, 0, 0, {"D", 1, {0x04}});
    ExpectCommand(r.table, 0, 1, {"B", 1, {0x02}});
    ExpectCommand(r.table, 0, 2, {"C", 1, {0x03}});
    EXPECT_EQ(1, r.nCounter);
}

TEST(PtzCameraTable, FieldsLengthsAndLineEnds)
{
    const Read r = ReadText("IGNORED/1/ee\n"          // before any header
                            "<1>\n"
                            "S//3///a0//00/ff\n"      // runs of '/' are one separator
                            "//LEAD/2/0a/0b\n"        // so are leading ones
                            "SHORT/5/01/02\n"         // the length as written: missing bytes are zero
                            "LONG/1/a0/b0/c0\n"       // and extra fields are kept, not sent
                            "STRAY/2/zz/1g\n"
                            "\r\n"                    // blank lines in either convention
                            "\n"
                            "CR/1/0c\r\n"
                            "LAST/1/0d");             // no line end at all
    ExpectCommand(r.table, 0, 0, {"S", 3, {0xA0, 0x00, 0xFF}});
    ExpectCommand(r.table, 0, 1, {"LEAD", 2, {0x0A, 0x0B}});
    ExpectCommand(r.table, 0, 2, {"SHORT", 5, {0x01, 0x02}});
    ExpectCommand(r.table, 0, 3, {"LONG", 1, {0xA0, 0xB0, 0xC0}});
    ExpectCommand(r.table, 0, 4, {"STRAY", 2, {0x53, 0x20}});
    ExpectCommand(r.table, 0, 5, {"CR", 1, {0x0C}});
    ExpectCommand(r.table, 0, 6, {"LAST", 1, {0x0D}});
    EXPECT_EQ(7, static_cast<int>(FilledSlots(r.table).size()));
    EXPECT_EQ(7, r.nCounter);
}

TEST(PtzCameraTable, BoundsOfNamesBytesLengthsAndSlots)
{
    std::string strText = "<1>\n";
    strText += std::string(100, 'N') + "/2/01/02\n";              // name cut to 63
    strText += "MANY/40";                                           // 40 bytes: 32 kept
    for (int n = 0; n < 40; ++n)
        strText += "/" + std::to_string(n % 10) + std::to_string(n % 10);
    strText += "\nNEG/-5/01\nBIG/99/02\n";
    for (int n = 4; n < 35; ++n)                                    // lines 30 to 34 have no slot
        strText += "L" + std::to_string(n) + "/1/" + std::to_string(n) + "\n";
    strText += "<2>\nOK/1/07\n";
    const Read r = ReadText(strText);

    ExpectCommand(r.table, 0, 0, {std::string(63, 'N'), 2, {0x01, 0x02}});
    Bytes many;
    for (int n = 0; n < 32; ++n)
        many.push_back(static_cast<uint8_t>((n % 10) * 0x11));
    ExpectCommand(r.table, 0, 1, {"MANY", 32, many});
    ExpectCommand(r.table, 0, 2, {"NEG", 0, {0x01}});
    ExpectCommand(r.table, 0, 3, {"BIG", 32, {0x02}});
    ExpectCommand(r.table, 0, 29, {"L29", 1, {0x29}});
    ExpectCommand(r.table, 1, 0, {"OK", 1, {0x07}}); // the next section is not disturbed
    EXPECT_EQ(31, static_cast<int>(FilledSlots(r.table).size()));
}

TEST(PtzCameraTable, ALineLongerThanTheLineBufferReadsAsSeveralLines)
{
    // 255 characters fill the buffer; the rest of the line is read as the next line.
    const Read r = ReadText("<1>\n" + std::string(255, 'N') + "/1/0a\nNEXT/1/0b\n"
                            "<2>\n" + std::string(255, 'M') + "3>\nX/1/0c\n");
    ExpectCommand(r.table, 0, 0, {std::string(63, 'N'), 0, {}});
    ExpectCommand(r.table, 0, 1, {"1", 0, {}}); // fields "1" and "0a": the name and a length of 0
    ExpectCommand(r.table, 0, 2, {"NEXT", 1, {0x0B}});
    ExpectCommand(r.table, 1, 0, {std::string(63, 'M'), 0, {}});
    ExpectCommand(r.table, 2, 0, {"X", 1, {0x0C}}); // the tail "3>" is a header
}

TEST(PtzCameraTable, RandomBytesStayInsideTheTable)
{
    std::mt19937 random(20240611);
    const std::string strAlphabet = "<>/\r\n0123456789abcdefABCDEF -+xyz";
    for (int nRound = 0; nRound < 300; ++nRound) {
        Bytes text(random() % 6000);
        for (uint8_t& b : text)
            b = random() % 3 == 0 ? static_cast<uint8_t>(random())
                                  : static_cast<uint8_t>(strAlphabet[random() % strAlphabet.size()]);
        PtzCommandTable table;
        const int nCounter = ParseCameraTable(text.data(), text.size(), table);
        ASSERT_GE(nCounter, 0);
        ASSERT_LE(nCounter, PtzCommandTable::kSlots);
        for (int s = 0; s < PtzCommandTable::kCameras; ++s)
            for (int k = 0; k < PtzCommandTable::kSlots; ++k) {
                const PtzCommand& c = table.At(s, k);
                ASSERT_TRUE(s < PtzCommandTable::kLoadedCameras || IsEmpty(c)) << "cameras 9 to 16 stay empty";
                ASSERT_GE(c.nLength, 0);
                ASSERT_LE(c.nLength, PtzCommand::kMaxBytes);
                ASSERT_EQ('\0', c.szName.back());
            }
    }
}

TEST(PtzCameraTable, LoadReadsThroughTheFileStoreAndTellsWhyNot)
{
    FakeFileStore files;
    const std::string strText = "<1>\nSTOP/1/aa\n";
    files.files["/w/PTZ/pelcoD.tl"] = Bytes(strText.begin(), strText.end());
    files.failedReads["/w/PTZ/pelcoP.tl"] = EACCES;

    PtzCommandTable table;
    CameraTableResult result = LoadCameraTable(files, "/w/PTZ/pelcoD.tl", table);
    EXPECT_EQ(CameraTableLoad::Loaded, result.load);
    EXPECT_EQ(1, result.nSlotCounter);
    ExpectCommand(table, 0, 0, {"STOP", 1, {0xAA}});

    EXPECT_EQ(CameraTableLoad::Missing, LoadCameraTable(files, "/w/PTZ/scc641.tl", table).load);
    EXPECT_EQ(CameraTableLoad::Unreadable, LoadCameraTable(files, "/w/PTZ/pelcoP.tl", table).load);
    EXPECT_EQ(CameraTableLoad::NoPath, LoadCameraTable(files, "", table).load);
    ExpectCommand(table, 0, 0, {"STOP", 1, {0xAA}}); // a failed load writes nothing
}
