#include "platform/qt_settings_store.h"

#include <QStringList>

namespace ostrel {

QtSettingsStore::QtSettingsStore(const QString& strGroup)
    : m_pSettings(std::make_unique<QSettings>(QStringLiteral("Ostrel"), QStringLiteral("Ostrel16"))),
      m_strGroup(strGroup)
{
}

QtSettingsStore::QtSettingsStore(const QString& strIniPath, const QString& strGroup)
    : m_pSettings(std::make_unique<QSettings>(strIniPath, QSettings::IniFormat)), m_strGroup(strGroup)
{
}

QString QtSettingsStore::Key(std::string_view strName) const
{
    return m_strGroup + QLatin1Char('/') + QString::fromUtf8(strName.data(), static_cast<qsizetype>(strName.size()));
}

std::optional<std::string> QtSettingsStore::ReadString(std::string_view strName)
{
    const QVariant value = m_pSettings->value(Key(strName));
    if (!value.isValid())
        return std::nullopt;
    // An INI line with commas reads back as a list; it was one text.
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    return value.toString().toStdString();
}

std::optional<int32_t> QtSettingsStore::ReadInt(std::string_view strName)
{
    const QVariant value = m_pSettings->value(Key(strName));
    if (!value.isValid())
        return std::nullopt;
    bool bOk = false;
    const qlonglong n = value.toString().trimmed().toLongLong(&bOk, 10);
    if (!bOk || n < INT32_MIN || n > static_cast<qlonglong>(UINT32_MAX))
        return std::nullopt;
    return static_cast<int32_t>(static_cast<uint32_t>(n));
}

void QtSettingsStore::WriteString(std::string_view strName, std::string_view strValue)
{
    m_pSettings->setValue(Key(strName), QString::fromUtf8(strValue.data(), static_cast<qsizetype>(strValue.size())));
}

void QtSettingsStore::WriteInt(std::string_view strName, int32_t nValue)
{
    m_pSettings->setValue(Key(strName), nValue);
}

bool QtSettingsStore::Flush()
{
    m_pSettings->sync();
    return m_pSettings->status() == QSettings::NoError;
}

} // namespace ostrel
