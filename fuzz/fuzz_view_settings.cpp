// The settings store's value parsing and the view's settings block on any profile file: the
// file is put in the scratch folder as an INI profile, the block is loaded from it, saved to a
// fresh profile and loaded again. Oracles: every text field stays terminated inside its array,
// and a loaded block survives its own save and load unchanged.
#include "fuzz_support.h"

#include "platform/qt_settings_store.h"
#include "session/view_settings.h"

#include <QString>

#include <cstring>
#include <filesystem>
#include <string>

using namespace ostrel;

namespace {

template <size_t N>
void CheckText(const std::array<char, N>& field)
{
    FUZZ_CHECK(std::memchr(field.data(), 0, N) != nullptr);
    const std::string_view text = GetText(field);
    for (size_t i = text.size(); i < N; ++i)
        FUZZ_CHECK(field[i] == 0);
}

bool SameBlock(const ViewSettings& a, const ViewSettings& b)
{
    return a.szUserId == b.szUserId && a.szPassword == b.szPassword && a.szHostAddress == b.szHostAddress
           && a.szRecordPath == b.szRecordPath && a.nHostPort == b.nHostPort && a.byRotateInterval == b.byRotateInterval
           && a.byReconnectCount == b.byReconnectCount && a.byRequestSpeed == b.byRequestSpeed
           && a.byPtzType == b.byPtzType && a.bUseFullScreen == b.bUseFullScreen && a.bUseAlertMode == b.bUseAlertMode
           && a.byRecordInterval == b.byRecordInterval && a.byDateShow == b.byDateShow && a.byAviCodec == b.byAviCodec
           && a.szPtzFilePath == b.szPtzFilePath && a.szIpLabel == b.szIpLabel;
}

// QSettings keeps a parsed file per path for a while and trusts it when the file's size and
// time look unchanged, so every run uses names of its own.
std::string NextPath(const char* pszKind)
{
    static unsigned long nRun = 0;
    return fuzz::ScratchFolder() + "/" + pszKind + std::to_string(++nRun) + ".ini";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const SettingsPlaces places{fuzz::ScratchFolder(), {}};
    const std::string strPtzFile = fuzz::ScratchFolder() + "/PTZ/pelcoP.tl";
    const std::string strIn = NextPath("in"), strOut = NextPath("out");
    fuzz::WriteScratchFile(strIn, {reinterpret_cast<const char*>(pData), nSize});

    ViewSettings loaded;
    {
        QtSettingsStore store(QString::fromStdString(strIn), QStringLiteral("Setting"));
        FUZZ_CHECK(LoadSaveSettings(loaded, true, store, places, strPtzFile));
    }
    CheckText(loaded.szUserId);
    CheckText(loaded.szPassword);
    CheckText(loaded.szHostAddress);
    CheckText(loaded.szRecordPath);
    CheckText(loaded.szPtzFilePath);
    CheckText(loaded.szIpLabel);

    {
        QtSettingsStore store(QString::fromStdString(strOut), QStringLiteral("Setting"));
        FUZZ_CHECK(LoadSaveSettings(loaded, false, store, places, strPtzFile));
    }
    ViewSettings again;
    {
        QtSettingsStore store(QString::fromStdString(strOut), QStringLiteral("Setting"));
        FUZZ_CHECK(LoadSaveSettings(again, true, store, places, strPtzFile));
    }
    FUZZ_CHECK(SameBlock(loaded, again));

    std::filesystem::remove(strIn);
    std::filesystem::remove(strOut);
    return 0;
}
