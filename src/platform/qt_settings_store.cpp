#include "platform/qt_settings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

namespace {

constexpr mode_t kProfileMode = 0600;
constexpr mode_t kProfileFolderMode = 0700;

// The folder and the file of the profile as the comment on QtSettingsStore says. Anything
// that is not a folder and a regular file is left to QSettings, which reads no profile there.
void KeepProfilePrivate(const QString& strFile)
{
    const QString strFolder = QFileInfo(strFile).absolutePath();
    QDir().mkpath(QFileInfo(strFolder).absolutePath()); // ~/.config as usual
    const QByteArray file = QFile::encodeName(strFile);
    const QByteArray folder = QFile::encodeName(strFolder);
    ::mkdir(folder.constData(), kProfileFolderMode);
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kProfileMode);
    if (fd >= 0)
        ::close(fd);

    struct stat stFolder {};
    struct stat stFile {};
    if (::stat(folder.constData(), &stFolder) != 0 || !S_ISDIR(stFolder.st_mode)
        || ::stat(file.constData(), &stFile) != 0 || !S_ISREG(stFile.st_mode))
        return;
    const bool bWideFolder = (stFolder.st_mode & 077) != 0;
    const bool bWideFile = (stFile.st_mode & 077) != 0;
    if (!bWideFolder && !bWideFile)
        return;
    const bool bNarrowed = (!bWideFolder || ::chmod(folder.constData(), kProfileFolderMode) == 0)
                           && (!bWideFile || ::chmod(file.constData(), kProfileMode) == 0);
    const int nErrno = errno;
    const auto nFileMode = static_cast<unsigned>(stFile.st_mode & 0777);
    const auto nFolderMode = static_cast<unsigned>(stFolder.st_mode & 0777);
    if (bNarrowed)
        std::fprintf(stderr, "Ostrel: the profile %s was open to other users (%04o in a %04o folder); "
                             "narrowed to %04o in a %04o folder\n",
                     file.constData(), nFileMode, nFolderMode, static_cast<unsigned>(kProfileMode),
                     static_cast<unsigned>(kProfileFolderMode));
    else
        std::fprintf(stderr, "Ostrel: the profile %s is open to other users (%04o in a %04o folder) "
                             "and cannot be narrowed: %s\n",
                     file.constData(), nFileMode, nFolderMode, std::strerror(nErrno));
}

} // namespace

QtSettingsStore::QtSettingsStore(const QString& strGroup, std::string_view strAppName)
    : m_pSettings(std::make_unique<QSettings>(
          QStringLiteral("Ostrel"), QString::fromUtf8(strAppName.data(), static_cast<qsizetype>(strAppName.size())))),
      m_strGroup(strGroup)
{
    KeepProfilePrivate(m_pSettings->fileName());
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
