// The command file reader against files written by hand: what lands in which slot, and that
// nothing of a malformed file lands elsewhere. Random files are the fuzz target's (fuzz/).
#include "ptz/ptz_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ostrel;

namespace {

using Bytes = std::vector<uint8_t>;

struct Slot {
    int nSection, nSlot;
    std::string strName;
    int nLength;
    Bytes bytes; // the first bytes of the record; the rest must be zero
};

// Exactly these slots hold anything, and they hold this.
void ExpectTable(const PtzCommandTable& table, const std::vector<Slot>& slots)
{
    size_t nFilled = 0;
    const PtzCommand empty{};
    for (int s = 0; s < PtzCommandTable::kCameras; ++s)
        for (int k = 0; k < PtzCommandTable::kSlots; ++k) {
            const PtzCommand& c = table.At(s, k);
            nFilled += c.szName != empty.szName || c.nLength != 0 || c.bytes != empty.bytes;
        }
    EXPECT_EQ(slots.size(), nFilled) << "slots filled";
    for (const Slot& e : slots) {
        SCOPED_TRACE(testing::Message() << "section " << e.nSection << " slot " << e.nSlot);
        const PtzCommand& c = table.At(e.nSection, e.nSlot);
        Bytes expected = e.bytes;
        expected.resize(PtzCommand::kMaxBytes, 0);
        EXPECT_EQ(e.strName, std::string(c.Name()));
        EXPECT_EQ(e.nLength, c.nLength);
        EXPECT_EQ(expected, Bytes(c.bytes.begin(), c.bytes.end()));
    }
}

} // namespace

TEST(PtzCameraTable, FilesWrittenByHand)
{
    struct Row {
        const char* pszWhat;
        std::string strText;
        std::vector<Slot> slots;
        int nCounter = -1; // the reader's slot counter, where it is checked
    };
    std::string strBounds = "<1>\n" + std::string(100, 'N') + "/2/01/02\nMANY/40"; // name cut to 63; 32 bytes kept
    Bytes many;
    for (int n = 0; n < 40; ++n) {
        strBounds += "/" + std::to_string(n % 10) + std::to_string(n % 10);
        if (n < 32)
            many.push_back(static_cast<uint8_t>((n % 10) * 0x11));
    }
    strBounds += "\nNEG/-5/01\nBIG/99/02\n";
    for (int n = 4; n < 35; ++n) // lines 30 to 34 have no slot
        strBounds += "L" + std::to_string(n) + "/1/" + std::to_string(n) + "\n";
    strBounds += "<2>\nOK/1/07\n";
    std::vector<Slot> bounds = {{0, 0, std::string(63, 'N'), 2, {1, 2}}, {0, 1, "MANY", 32, many},
                                {0, 2, "NEG", 0, {1}}, {0, 3, "BIG", 32, {2}}, {1, 0, "OK", 1, {7}}};
    for (int n = 4; n < 30; ++n)
        bounds.push_back({0, n, "L" + std::to_string(n), 1, {static_cast<uint8_t>(n / 10 * 16 + n % 10)}});

    const Row rows[] = {
        {"sections fill their cameras slot by slot",
         "<1>\r\nSTOP/3/a0/00/ff/\r\nLEFT/7/FF/01/00/04/20/00/25/\r\n<2>\nSTOP/2/1f/1F\n",
         {{0, 0, "STOP", 3, {0xA0, 0x00, 0xFF}}, {0, 1, "LEFT", 7, {0xFF, 0x01, 0x00, 0x04, 0x20, 0x00, 0x25}},
          {1, 0, "STOP", 2, {0x1F, 0x1F}}},
         1},
        {"a repeated section starts again at slot 0", "<1>\nA/1/01\nB/1/02\nC/1/03\n<1>\nD/1/04\n",
         {{0, 0, "D", 1, {4}}, {0, 1, "B", 1, {2}}, {0, 2, "C", 1, {3}}}, 1},
        {"fields, lengths and line ends",
         "IGNORED/1/ee\n"     // before any header
         "<1>\n"
         "S//3///a0//00/ff\n" // runs of '/' are one separator
         "//LEAD/2/0a/0b\n"   // so are leading ones
         "SHORT/5/01/02\n"    // the length as written: missing bytes are zero
         "LONG/1/a0/b0/c0\n"  // and extra fields are kept, not sent
         "STRAY/2/zz/1g\n"   // 'z' counts 35, 'g' 16: 35 * 16 + 35 and 1 * 16 + 16, 8 bits kept
         "\r\n\n"             // blank lines in either convention
         "CR/1/0c\r\n"
         "LAST/1/0d",         // no line end at all
         {{0, 0, "S", 3, {0xA0, 0x00, 0xFF}}, {0, 1, "LEAD", 2, {0x0A, 0x0B}}, {0, 2, "SHORT", 5, {1, 2}},
          {0, 3, "LONG", 1, {0xA0, 0xB0, 0xC0}}, {0, 4, "STRAY", 2, {0x53, 0x20}}, {0, 5, "CR", 1, {0x0C}},
          {0, 6, "LAST", 1, {0x0D}}},
         7},
        // 255 characters fill the line buffer; the rest of the line reads as the next line: the
        // fields "1" and "0a" are a name and a length of 0, and the tail "3>" a header.
        {"a line longer than the buffer reads as several",
         "<1>\n" + std::string(255, 'N') + "/1/0a\nNEXT/1/0b\n<2>\n" + std::string(255, 'M') + "3>\nX/1/0c\n",
         {{0, 0, std::string(63, 'N'), 0, {}}, {0, 1, "1", 0, {}}, {0, 2, "NEXT", 1, {0x0B}},
          {1, 0, std::string(63, 'M'), 0, {}}, {2, 0, "X", 1, {0x0C}}}},
        {"bounds of names, bytes, lengths and slots", strBounds, bounds},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszWhat);
        PtzCommandTable table;
        const int nCounter =
            ParseCameraTable(reinterpret_cast<const uint8_t*>(row.strText.data()), row.strText.size(), table);
        ExpectTable(table, row.slots);
        EXPECT_TRUE(row.nCounter < 0 || row.nCounter == nCounter) << "slot counter " << nCounter;
    }

}
