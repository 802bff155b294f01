#pragma once

#include <QDialog>

class QGridLayout;

namespace ostrel {

// The about box: the program icon, two lines on the program and its version, the keyboard's
// keys window by window, and OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    static QString VersionLine();
    static QString PurposeLine();

private:
    QGridLayout* MakeKeyTable(const QFont& headingFont);
};

} // namespace ostrel
