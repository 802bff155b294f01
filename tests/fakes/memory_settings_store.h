#pragma once

#include "platform/settings_store.h"

#include <map>
#include <string>
#include <vector>

namespace ostrel::test {

// A settings section in memory that logs every access in order ("read X", "write X=v").
// Texts and integers are kept apart, as typed profile values are: reading a text as an
// integer finds nothing.
class MemorySettingsStore final : public SettingsStore {
public:
    std::optional<std::string> ReadString(std::string_view strName) override
    {
        log.push_back("read " + std::string(strName));
        const auto it = texts.find(std::string(strName));
        return it == texts.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    std::optional<int32_t> ReadInt(std::string_view strName) override
    {
        log.push_back("read " + std::string(strName));
        const auto it = ints.find(std::string(strName));
        return it == ints.end() ? std::nullopt : std::optional<int32_t>(it->second);
    }
    void WriteString(std::string_view strName, std::string_view strValue) override
    {
        log.push_back("write " + std::string(strName) + "=" + std::string(strValue));
        texts[std::string(strName)] = std::string(strValue);
    }
    void WriteInt(std::string_view strName, int32_t nValue) override
    {
        log.push_back("write " + std::string(strName) + "=" + std::to_string(nValue));
        ints[std::string(strName)] = nValue;
    }
    bool Flush() override { return !bFailFlush; }

    std::map<std::string, std::string> texts;
    std::map<std::string, int32_t> ints;
    std::vector<std::string> log;
    bool bFailFlush = false;
};

} // namespace ostrel::test
