#include "shell/about_dlg.h"

#include "models/key_commands.h"
#include "res/resource.h"
#include "res/skin_bitmap.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace ostrel {

CAboutDlg::CAboutDlg(const QString& strProfile, QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(QStringLiteral("About Ostrel"));
    setModal(true);

    auto* pIcon = new QLabel(this);
    pIcon->setPixmap(QPixmap::fromImage(SkinBitmap(IDB_PROGRAM_ICON, devicePixelRatioF())));
    pIcon->setAlignment(Qt::AlignTop);
    auto* pVersion = new QLabel(VersionLine(), this);
    QFont bold = pVersion->font();
    bold.setBold(true);
    pVersion->setFont(bold);
    auto* pPurpose = new QLabel(PurposeLine(), this);
    auto* pProfile = new QLabel(ProfileLine(strProfile), this);

    auto* pText = new QVBoxLayout;
    pText->addWidget(pVersion);
    pText->addWidget(pPurpose);
    pText->addWidget(pProfile);
    pText->addStretch();
    auto* pRow = new QHBoxLayout;
    pRow->addWidget(pIcon);
    pRow->addSpacing(12);
    pRow->addLayout(pText, 1);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pRow);
    pLayout->addSpacing(8);
    pLayout->addLayout(MakeKeyTable(bold));
    pLayout->addWidget(pButtons);
    setFixedSize(sizeHint());
}

QGridLayout* CAboutDlg::MakeKeyTable(const QFont& headingFont)
{
    // Two columns, keys and what they do, under a heading per window; every label is as wide as
    // its text, so nothing is cut.
    auto* pGrid = new QGridLayout;
    pGrid->setHorizontalSpacing(16);
    pGrid->setVerticalSpacing(2);
    int nRow = 0;
    auto* pTitle = new QLabel(QStringLiteral("Keyboard"), this);
    pTitle->setFont(headingFont);
    pGrid->addWidget(pTitle, nRow++, 0, 1, 2);
    const std::pair<const char*, std::span<const KeyHelpRow>> sections[] = {
        {"Live view", LiveViewKeyHelp()},
        {"PTZ camera (live view)", PtzKeyHelp()},
        {"Archive", ArchiveKeyHelp()},
    };
    for (const auto& [pszHeading, rows] : sections) {
        auto* pHeading = new QLabel(QString::fromLatin1(pszHeading), this);
        pHeading->setFont(headingFont);
        pHeading->setContentsMargins(0, 6, 0, 0);
        pGrid->addWidget(pHeading, nRow++, 0, 1, 2);
        for (const KeyHelpRow& row : rows) {
            auto* pKeys = new QLabel(QString::fromLatin1(row.pszKeys), this);
            pKeys->setObjectName(QStringLiteral("keys"));
            auto* pAction = new QLabel(QString::fromLatin1(row.pszAction), this);
            pAction->setObjectName(QStringLiteral("action"));
            pGrid->addWidget(pKeys, nRow, 0);
            pGrid->addWidget(pAction, nRow++, 1);
        }
    }
    pGrid->setColumnStretch(1, 1);
    return pGrid;
}

QString CAboutDlg::VersionLine()
{
    return QStringLiteral("Ostrel 16 channel DVR client, version %1").arg(QStringLiteral(OSTREL_VERSION));
}

QString CAboutDlg::ProfileLine(const QString& strProfile)
{
    if (strProfile.isEmpty())
        return QStringLiteral("Profile: default (settings Ostrel16.conf)");
    return QStringLiteral("Profile: %1 (settings Ostrel16-%1.conf)").arg(strProfile);
}

QString CAboutDlg::PurposeLine()
{
    return QStringLiteral("Live view, archive playback and PTZ control for networked video recorders.");
}

} // namespace ostrel
