#pragma once

#include "platform/settings_store.h"

#include <QSettings>

#include <memory>
#include <string_view>

namespace ostrel {

// A section of the user's profile through QSettings: the program's profile ("Ostrel",
// "Ostrel16", or "Ostrel16-NAME" for the instance of a named profile), or an INI file (for tests
// and portable use).
//
// The program's profile holds the recorder's login in plain text, so it is 0600 in a 0700
// folder from its first write on, whatever the umask: the constructor makes the folder and an
// empty file with those modes when they are missing (QSettings keeps an existing file's mode
// when it rewrites it), and narrows them, with one line on standard error, when they are wider.
class QtSettingsStore final : public SettingsStore {
public:
    explicit QtSettingsStore(const QString& strGroup) : QtSettingsStore(strGroup, std::string_view("Ostrel16")) {}
    QtSettingsStore(const QString& strGroup, std::string_view strAppName);
    QtSettingsStore(const QString& strIniPath, const QString& strGroup);

    std::optional<std::string> ReadString(std::string_view strName) override;
    std::optional<int32_t> ReadInt(std::string_view strName) override;
    void WriteString(std::string_view strName, std::string_view strValue) override;
    void WriteInt(std::string_view strName, int32_t nValue) override;
    bool Flush() override;

private:
    QString Key(std::string_view strName) const;

    std::unique_ptr<QSettings> m_pSettings;
    QString m_strGroup;
};

} // namespace ostrel
