#pragma once

#include <QDialog>

class QGridLayout;

namespace ostrel {

// The about box: the program icon, lines on the program, its version and the instance's
// profile, the keyboard's keys window by window, and OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(const QString& strProfile = {}, QWidget* pParent = nullptr);

    static QString VersionLine();
    static QString PurposeLine();
    // "Profile: default (settings Ostrel16.conf)", or the named one's.
    static QString ProfileLine(const QString& strProfile);

private:
    QGridLayout* MakeKeyTable(const QFont& headingFont);
};

} // namespace ostrel
