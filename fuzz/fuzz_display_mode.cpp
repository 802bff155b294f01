// The reading of "xrandr --current" on any text, through XrandrDisplayMode with a command runner
// that answers with the fuzzer's text. Input: the wanted width and height (16-bit words,
// little-endian), a flags byte (bit 0: the query fails; bit 1: a second request of another size
// follows the restore), then the text xrandr printed.
//
// Oracles, from the text read here with a plain word split: a switch names an output that heads
// a line of the text as "<name> connected", and a mode that is the first word of an indented
// line, of the wanted size (its leading "<width>x<height>" read as numbers) and not interlaced;
// the way back names the same output, and a mode and a rate read off an indented line that
// marks a rate with '*'; a failed query switches nothing.
#include "fuzz_support.h"

#include "fakes/fake_command_runner.h"
#include "platform/display_mode.h"

#include <cctype>
#include <set>
#include <string>
#include <string_view>
#include <vector>

using namespace ostrel;

namespace {

struct Line {
    bool bIndented = false;
    std::vector<std::string> words;
};

std::vector<Line> SplitText(std::string_view text)
{
    std::vector<Line> lines;
    size_t nStart = 0;
    while (nStart <= text.size()) {
        size_t nEnd = text.find('\n', nStart);
        if (nEnd == std::string_view::npos)
            nEnd = text.size();
        const std::string_view s = text.substr(nStart, nEnd - nStart);
        Line line;
        line.bIndented = !s.empty() && std::isspace(static_cast<unsigned char>(s.front()));
        std::string word;
        for (char c : s) {
            if (std::isspace(static_cast<unsigned char>(c))) {
                if (!word.empty())
                    line.words.push_back(std::move(word));
                word.clear();
            } else {
                word += c;
            }
        }
        if (!word.empty())
            line.words.push_back(std::move(word));
        lines.push_back(std::move(line));
        nStart = nEnd + 1;
    }
    return lines;
}

// "<width>x<height>" at the start of a mode name, with what follows; false when it is not there.
bool SizeOf(const std::string& strMode, long& nWidth, long& nHeight, char& cAfter)
{
    size_t i = 0;
    auto number = [&](long& n) {
        const size_t nFrom = i;
        n = 0;
        while (i < strMode.size() && std::isdigit(static_cast<unsigned char>(strMode[i])) && i - nFrom < 9)
            n = n * 10 + (strMode[i++] - '0');
        return i > nFrom;
    };
    if (!number(nWidth) || i >= strMode.size() || strMode[i++] != 'x' || !number(nHeight))
        return false;
    cAfter = i < strMode.size() ? strMode[i] : '\0';
    return true;
}

bool IsModeLine(const Line& line, const std::string& strMode)
{
    return line.bIndented && !line.words.empty() && line.words[0] == strMode;
}

std::vector<std::string> Words(const std::string& strCommand)
{
    return SplitText(strCommand).front().words;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    fuzz::InputReader in(pData, nSize);
    const int nWidth = in.Le16();
    const int nHeight = in.Le16();
    const uint8_t byFlags = in.Byte();
    const bool bQueryFails = (byFlags & 1) != 0;
    const std::string strText(in.RestText());
    const std::vector<Line> lines = SplitText(strText);

    test::FakeCommandRunner runner;
    XrandrDisplayMode display(runner, true);
    std::vector<bool> answers; // each answer to the request, in order
    display.EnterSize(nWidth, nHeight, [&answers](bool bHasSize) { answers.push_back(bHasSize); });
    if (nWidth == 0 || nHeight == 0) {
        FUZZ_CHECK(runner.started.empty() && !display.Changed());
        FUZZ_CHECK(answers == std::vector<bool>{false});
        return 0;
    }
    FUZZ_CHECK(answers.empty());
    FUZZ_CHECK(runner.started.size() == 1 && runner.started[0] == "xrandr --current");
    runner.Finish(!bQueryFails, strText);
    FUZZ_CHECK(runner.started.size() <= 2);
    FUZZ_CHECK(display.Changed() == (runner.started.size() == 2));
    if (!display.Changed()) {
        // No switch: "yes" only where the screen already had the size, which a failed query
        // cannot tell.
        FUZZ_CHECK(!runner.Running() && answers.size() == 1 && (!bQueryFails || !answers[0]));
        return 0;
    }
    FUZZ_CHECK(!bQueryFails && answers.empty());

    // "xrandr --output <output> --mode <mode>"
    const std::vector<std::string> switchArgs = Words(runner.started[1]);
    FUZZ_CHECK(switchArgs.size() == 5 && switchArgs[1] == "--output" && switchArgs[3] == "--mode");
    const std::string& strOutput = switchArgs[2];
    const std::string& strMode = switchArgs[4];
    bool bOutputListed = false, bModeListed = false;
    for (const Line& line : lines) {
        bOutputListed |= !line.bIndented && line.words.size() >= 2 && line.words[0] == strOutput
                         && line.words[1] == "connected";
        bModeListed |= IsModeLine(line, strMode);
    }
    FUZZ_CHECK(bOutputListed && bModeListed);
    long nModeWidth = 0, nModeHeight = 0;
    char cAfter = 0;
    FUZZ_CHECK(SizeOf(strMode, nModeWidth, nModeHeight, cAfter));
    FUZZ_CHECK(nModeWidth == nWidth && nModeHeight == nHeight && cAfter != 'i');

    // The way back: "xrandr --output <output> --mode <mode> [--rate <rate>]".
    runner.Finish(true);
    FUZZ_CHECK(answers == std::vector<bool>{true}); // the switch went through
    display.Restore();
    FUZZ_CHECK(!display.Changed() && runner.started.size() == 3);
    const std::vector<std::string> restoreArgs = Words(runner.started[2]);
    FUZZ_CHECK((restoreArgs.size() == 5 || restoreArgs.size() == 7) && restoreArgs[1] == "--output"
               && restoreArgs[2] == strOutput && restoreArgs[3] == "--mode");
    const std::string& strOldMode = restoreArgs[4];
    bool bOldModeMarked = false;
    std::set<std::string> rates; // each word of a marked line, also with its '*' and '+' taken out
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (!IsModeLine(line, strOldMode))
            continue;
        for (size_t w = 1; w < line.words.size(); ++w) {
            if (line.words[w].find('*') == std::string::npos)
                continue;
            bOldModeMarked = true;
            for (const std::string& word : line.words) {
                rates.insert(word);
                std::string strRate;
                for (char c : word)
                    if (c != '*' && c != '+')
                        strRate += c;
                rates.insert(strRate);
            }
        }
    }
    FUZZ_CHECK(bOldModeMarked);
    if (restoreArgs.size() == 7)
        FUZZ_CHECK(restoreArgs[5] == "--rate" && rates.count(restoreArgs[6]) == 1);

    // Another size after the way back starts from a fresh query.
    if (byFlags & 2) {
        runner.Finish(true);
        display.EnterSize(nWidth + 1, nHeight, {});
        FUZZ_CHECK(runner.started.size() == 4 && runner.started[3] == "xrandr --current");
    }
    return 0;
}
