#pragma once

#include <QPoint>
#include <QString>

#include <optional>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

class QGraphicsProxyWidget;
class QGraphicsScene;
class QGraphicsView;

namespace ostrel {

// The borderless main window: 877 x 685, of which the region (2, 2)-(875, 683) is visible.
// It hosts the main view as its one child, filling it; until a view is set it paints the skin
// background itself. It has no caption, so the view asks it to start a move (BeginDrag).
class CMainFrame : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 877;
    static constexpr int kHeight = 685;
    static constexpr QRect kVisibleRegion{2, 2, 873, 681};
    static constexpr QRect kAboutHotspot{QPoint(30, 570), QPoint(189, 679)}; // (30, 570)-(190, 680)

    explicit CMainFrame(QWidget* pParent = nullptr);

    // Puts the view at (0, 0) in the frame's full size; the frame owns it from now on.
    void SetView(QWidget* pView);
    QWidget* View() const { return m_pView; }

    // Normal placement puts the window where it last stood (RestorePlace), or else centres it
    // on the primary screen (never resizing it, so on a small screen the position is
    // negative); a window already placed normally stays where the operator put it.
    // Full-screen placement puts the visible region at the screen's top-left corner (the screen
    // switched to 1024 x 768).
    void SetFullScreen(bool bFull);
    // Full screen through the window system, where the screen's mode cannot be switched (Wayland,
    // an output without 1024 x 768): the frame fills its screen in black and shows the visible
    // region scaled to fit, centred, its aspect kept; the view's controls answer the pointer
    // where they are shown. SetFullScreen ends it.
    void SetScaledFullScreen();
    bool IsScaledFullScreen() const { return m_pScaler != nullptr; }
    // Where the window stood when the program last ended: on the screen of that name, if it is
    // still there and the point lies on it; otherwise nothing changes. Places it at once when
    // it is placed normally.
    void RestorePlace(const QString& strScreen, const QPoint& ptTopLeft);
    // The screen the window is on, and its top-left corner, to be kept for the next start.
    QString ScreenName() const;
    bool IsFullScreenPlaced() const { return m_bFullScreen; }

    // Starts moving the window with the pointer, as a press on a caption would: through the
    // window system when it offers that, otherwise by following the pointer until the
    // button is released.
    void BeginDrag(const QPoint& ptGlobal);

    // Top-left corner of the normal placement on a screen of that size (integer division).
    static QPoint NormalPosition(const QSize& szScreen);
    static QPoint FullScreenPosition() { return {-2, -2}; }

signals:
    // The about command (a double-click on the brand plate while the frame shows no view).
    void AppAbout();
    // The window is closing, by EXIT or by the window system (Alt+F4, the dock, the
    // session's end): whatever must be kept is kept now.
    void Closing();

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void EndManualDrag();
    void EndScaled();
    void FitScaled();

    QPointer<QWidget> m_pView;
    QGraphicsView* m_pScaler = nullptr; // while scaled: fills the frame and shows the view
    QGraphicsScene* m_pScene = nullptr;
    QGraphicsProxyWidget* m_pProxy = nullptr;
    bool m_bFullScreen = false;
    bool m_bPlaced = false;          // placed normally at least once
    std::optional<QPoint> m_ptKept;  // the place of the last run, on a screen still there
    bool m_bManualDrag = false;
    QPoint m_ptDragOffset; // pointer position minus window position at the drag's start
};

} // namespace ostrel
