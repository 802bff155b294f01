// Writes the skin: one PNG per numbered bitmap and the Qt resource file that embeds them, plus
// a contact sheet and two previews of the windows with their controls in place, for people;
// the demo site logos (logo/) and the program icon at the desktop's sizes (icons/<size>.png and
// icons/scalable.svg), which the installation takes.
//   ostrel_skin_gen <output folder>

#include "res/resource.h"
#include "program_icon.h"
#include "skin_art.h"
#include "skin_catalog.h"
#include "res/skin_layout.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <map>

using namespace ostrel;
using namespace ostrel::skin;

namespace {

bool WriteQrc(const QString& strPath, const std::vector<SkinBitmapEntry>& entries)
{
    QSaveFile file(strPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/skin\">\n";
    for (const SkinBitmapEntry& e : entries)
        out << "  <file alias=\"" << e.nId << ".png\">bitmaps/" << e.nId << ".png</file>\n";
    out << "</qresource>\n</RCC>\n";
    out.flush();
    return file.commit();
}

QImage ContactSheet(const std::vector<SkinBitmapEntry>& entries)
{
    constexpr int kSheetWidth = 1500;
    constexpr int kPad = 10;
    constexpr int kLabelHeight = 28;
    struct Cell {
        const SkinBitmapEntry* pEntry;
        QRect rcImage;
        QRect rcLabel;
    };
    std::vector<Cell> cells;
    int x = kPad, y = kPad, rowHeight = 0;
    for (const SkinBitmapEntry& e : entries) {
        // Small bitmaps twice their size so the details show, the backgrounds at a third.
        const bool bLarge = e.image.width() > 200;
        const QSize sz = bLarge ? e.image.size() / 3 : e.image.size() * 2;
        const int cellWidth = std::max(sz.width(), 120);
        if (x + cellWidth > kSheetWidth - kPad) {
            x = kPad;
            y += rowHeight + kPad;
            rowHeight = 0;
        }
        cells.push_back({&e, QRect(QPoint(x, y), sz), QRect(x, y + sz.height() + 2, cellWidth, kLabelHeight)});
        rowHeight = std::max(rowHeight, sz.height() + 2 + kLabelHeight);
        x += cellWidth + kPad;
    }
    QImage sheet(kSheetWidth, y + rowHeight + kPad, QImage::Format_RGB32);
    sheet.fill(QColor(0x55, 0x58, 0x5c));
    QPainter p(&sheet);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (const Cell& c : cells) {
        p.drawImage(c.rcImage, c.pEntry->image);
        p.setPen(QColor(0xff, 0xff, 0xff));
        p.setFont(SkinFont(11));
        p.drawText(c.rcLabel, Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("%1  %2x%3\n").arg(c.pEntry->nId).arg(c.pEntry->image.width()).arg(c.pEntry->image.height()));
        p.setFont(SkinFont(10, false));
        p.drawText(c.rcLabel.adjusted(0, 13, 0, 0), Qt::AlignLeft | Qt::AlignTop, c.pEntry->strName);
    }
    return sheet;
}

template <size_t N>
QImage Preview(const QImage& background, const SkinPlacement (&controls)[N], const std::map<int, QImage>& images,
               bool bArchive)
{
    QImage img = background.convertToFormat(QImage::Format_RGB32);
    QPainter p(&img);
    int nIndex = 0;
    for (const SkinPlacement& c : controls) {
        if (!c.bVisible)
            continue;
        if (c.nControlId == IDC_TIME_SLIDER) {
            p.drawImage(QPoint(c.x, c.y), images.at(c.nBitmapNormal));
            QImage thumb = images.at(c.nBitmapActive).convertToFormat(QImage::Format_ARGB32);
            const QRgb key = thumb.pixel(0, 0);
            for (int yy = 0; yy < thumb.height(); ++yy)
                for (int xx = 0; xx < thumb.width(); ++xx)
                    if (thumb.pixel(xx, yy) == key)
                        thumb.setPixel(xx, yy, qRgba(0, 0, 0, 0));
            p.setClipRect(c.x, c.y, c.cx, c.cy);
            p.drawImage(QPoint(c.x + 43200 / 149, c.y), thumb); // noon
            p.setClipping(false);
            continue;
        }
        // Every third control shows its second image, so both states are seen in place.
        const bool bActive = (nIndex++ % 3) == 1;
        const QImage& bmp = images.at(bActive ? c.nBitmapActive : c.nBitmapNormal);
        p.drawImage(QPoint(c.x, c.y), bmp, QRect(0, 0, c.cx, c.cy));
    }
    // Sample run-time texts in the readouts, to check that they fit.
    p.setFont(SkinFont(10));
    p.setPen(colour::kGreen);
    const auto text = [&](int l, int t, int r, int b, const char* psz, int flags = Qt::AlignLeft | Qt::AlignVCenter) {
        p.fillRect(QRect(QPoint(l, t), QPoint(r - 1, b - 1)), Qt::black);
        p.drawText(QRect(QPoint(l, t), QPoint(r - 1, b - 1)), flags, QString::fromLatin1(psz));
    };
    if (!bArchive) {
        text(740, 70, 840, 85, "DATE :");
        text(740, 85, 840, 100, "2005 / 6 / 30");
        text(740, 100, 840, 115, "TIME :");
        text(740, 115, 840, 130, "PM 01 : 05 : 09");
        text(740, 140, 855, 155, "R-POS : 012.3456%");
        text(740, 155, 855, 170, "P-POS : 100.0000%");
        text(740, 195, 840, 225, "WAITING FOR CONNECTION.", Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
        text(790, 500, 811, 512, "001", Qt::AlignCenter);
    } else {
        text(740, 69, 920, 79, "START TIME :");
        text(740, 79, 930, 94, "2005/06/30  00:00:00", Qt::AlignCenter);
        text(740, 94, 930, 109, "END TIME :");
        text(740, 109, 930, 124, "2005/06/30  23:59:59", Qt::AlignCenter);
        text(770, 210, 920, 230, "SEARCHING", Qt::AlignCenter);
        text(215, 640, 315, 660, "12:00:00", Qt::AlignCenter);
    }
    return img;
}

// The site logos a demo installation puts in logo/: the small one is copied at (705, 15) of the
// main window, 85 x 55, partly under the Exit key, so it is the panel there with a caption in
// the free strip below the key; the large one, 165 x 65, is an emblem for the archive window.
QImage SiteLogo(const QImage& background, bool bLarge)
{
    QImage logo(bLarge ? QSize(165, 65) : QSize(85, 55), QImage::Format_RGB32);
    logo.fill(colour::kPanel);
    QPainter p(&logo);
    if (!bLarge) {
        p.drawImage(QPoint(0, 0), background, QRect(705, 15, 85, 55));
        p.setFont(SkinFont(8));
        p.setPen(colour::kAccent);
        p.drawText(QRect(2, 26, 81, 12), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("DEMO SITE"));
        return logo;
    }
    p.setPen(colour::kPanelHigh);
    p.drawRect(logo.rect().adjusted(0, 0, -1, -1));
    p.setFont(SkinFont(16));
    p.setPen(colour::kGlyph);
    p.drawText(QRect(0, 6, 165, 28), Qt::AlignCenter, QStringLiteral("OSTREL"));
    p.setFont(SkinFont(9));
    p.setPen(colour::kAccent);
    p.drawText(QRect(0, 36, 165, 20), Qt::AlignCenter, QStringLiteral("DEMO SITE"));
    return logo;
}

// The icon sizes of the desktop's hicolor theme that the installation fills.
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

bool WriteIcons(const QDir& outDir)
{
    if (!outDir.mkpath(QStringLiteral("icons")))
        return false;
    for (const int nSize : kIconSizes)
        if (!ProgramIconImage(nSize).save(outDir.filePath(QStringLiteral("icons/%1.png").arg(nSize)), "PNG"))
            return false;
    QSaveFile svg(outDir.filePath(QStringLiteral("icons/scalable.svg")));
    if (!svg.open(QIODevice::WriteOnly))
        return false;
    svg.write(ProgramIconSvg().toUtf8());
    return svg.commit();
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: ostrel_skin_gen <output folder>\n");
        return 2;
    }
    const QDir outDir(args.at(1));
    if (!outDir.mkpath(QStringLiteral("bitmaps"))) {
        std::fprintf(stderr, "ostrel_skin_gen: cannot create %s\n", qPrintable(outDir.absolutePath()));
        return 1;
    }

    std::vector<SkinBitmapEntry> entries = BuildSkinCatalog();
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.nId < b.nId; });
    std::map<int, QImage> images;
    for (const SkinBitmapEntry& e : entries) {
        if (!images.emplace(e.nId, e.image).second) {
            std::fprintf(stderr, "ostrel_skin_gen: bitmap %d drawn twice\n", e.nId);
            return 1;
        }
        const QString strPath = outDir.filePath(QStringLiteral("bitmaps/%1.png").arg(e.nId));
        if (!e.image.save(strPath, "PNG")) {
            std::fprintf(stderr, "ostrel_skin_gen: cannot write %s\n", qPrintable(strPath));
            return 1;
        }
    }
    if (!WriteQrc(outDir.filePath(QStringLiteral("skin.qrc")), entries)) {
        std::fprintf(stderr, "ostrel_skin_gen: cannot write skin.qrc\n");
        return 1;
    }

    const bool bSheets = ContactSheet(entries).save(outDir.filePath(QStringLiteral("skin_contact_sheet.png")))
        && Preview(images.at(IDB_MAIN_BACKGROUND), kViewControls, images, false)
               .save(outDir.filePath(QStringLiteral("skin_preview_main.png")))
        && Preview(images.at(IDB_ARCHIVE_BACKGROUND), kArchiveControls, images, true)
               .save(outDir.filePath(QStringLiteral("skin_preview_archive.png")));
    if (!bSheets) {
        std::fprintf(stderr, "ostrel_skin_gen: cannot write the contact sheet or previews\n");
        return 1;
    }
    const bool bLogos = outDir.mkpath(QStringLiteral("logo"))
        && SiteLogo(images.at(IDB_MAIN_BACKGROUND), false).save(outDir.filePath(QStringLiteral("logo/slogo.bmp")), "BMP")
        && SiteLogo(images.at(IDB_ARCHIVE_BACKGROUND), true).save(outDir.filePath(QStringLiteral("logo/blogo.bmp")), "BMP");
    if (!bLogos) {
        std::fprintf(stderr, "ostrel_skin_gen: cannot write the demo logos\n");
        return 1;
    }
    if (!WriteIcons(outDir)) {
        std::fprintf(stderr, "ostrel_skin_gen: cannot write the program icons\n");
        return 1;
    }
    return 0;
}
