#include "shell/about_dlg.h"

#include "res/resource.h"
#include "res/skin_bitmap.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace ostrel {

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(QStringLiteral("About Ostrel"));
    setModal(true);

    auto* pIcon = new QLabel(this);
    pIcon->setPixmap(QPixmap::fromImage(SkinBitmap(IDB_PROGRAM_ICON)));
    pIcon->setAlignment(Qt::AlignTop);
    auto* pVersion = new QLabel(VersionLine(), this);
    QFont bold = pVersion->font();
    bold.setBold(true);
    pVersion->setFont(bold);
    auto* pPurpose = new QLabel(PurposeLine(), this);

    auto* pText = new QVBoxLayout;
    pText->addWidget(pVersion);
    pText->addWidget(pPurpose);
    pText->addStretch();
    auto* pRow = new QHBoxLayout;
    pRow->addWidget(pIcon);
    pRow->addSpacing(12);
    pRow->addLayout(pText, 1);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pRow);
    pLayout->addWidget(pButtons);
    setFixedSize(sizeHint());
}

QString CAboutDlg::VersionLine()
{
    return QStringLiteral("Ostrel 16 channel DVR client, version %1").arg(QStringLiteral(OSTREL_VERSION));
}

QString CAboutDlg::PurposeLine()
{
    return QStringLiteral("Live view, archive playback and PTZ control for networked video recorders.");
}

} // namespace ostrel
