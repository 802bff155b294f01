#pragma once

#include "platform/settings_store.h"

#include <QSettings>

#include <memory>

namespace ostrel {

// A section of the user's profile through QSettings: by default the program's profile
// ("Ostrel", "Ostrel16"), or an INI file (for tests and portable use).
class QtSettingsStore final : public SettingsStore {
public:
    explicit QtSettingsStore(const QString& strGroup);
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
