#pragma once

#include <QDialog>

namespace ostrel {

// The about box: the program icon, two lines on the program and its version, and OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    static QString VersionLine();
    static QString PurposeLine();
};

} // namespace ostrel
