#include "shell/main_frame.h"

#include "res/resource.h"
#include "res/skin_bitmap.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace ostrel {

CMainFrame::CMainFrame(QWidget* pParent) : QWidget(pParent, Qt::Window | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Ostrel"));
    setFixedSize(kWidth, kHeight);
    setMask(QRegion(kVisibleRegion));
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetFullScreen(false);
}

void CMainFrame::SetView(QWidget* pView)
{
    if (m_pView == pView)
        return;
    delete m_pView;
    m_pView = pView;
    if (pView) {
        pView->setParent(this);
        pView->setGeometry(0, 0, kWidth, kHeight);
        pView->show();
        // The frame's keys are the view's.
        setFocusProxy(pView);
    }
    update();
}

QPoint CMainFrame::NormalPosition(const QSize& szScreen)
{
    return {(szScreen.width() - kWidth) / 2, (szScreen.height() - kHeight) / 2};
}

void CMainFrame::SetFullScreen(bool bFull)
{
    EndScaled();
    const bool bWasNormal = m_bPlaced && !m_bFullScreen;
    if (bFull && bWasNormal)
        m_ptKept = pos(); // back there when full screen ends
    m_bFullScreen = bFull;
    if (!bFull && bWasNormal)
        return; // the settings' OK leaves the window where the operator put it
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    const QRect rcScreen = pScreen ? pScreen->geometry() : QRect(0, 0, kWidth, kHeight);
    if (bFull)
        move(rcScreen.topLeft() + FullScreenPosition());
    else
        move(m_ptKept.value_or(rcScreen.topLeft() + NormalPosition(rcScreen.size())));
    m_bPlaced = m_bPlaced || !bFull;
    update();
}

void CMainFrame::SetScaledFullScreen()
{
    if (m_pScaler)
        return;
    if (m_bPlaced && !m_bFullScreen)
        m_ptKept = pos(); // back there when full screen ends
    m_bFullScreen = true;
    m_pScene = new QGraphicsScene(this);
    m_pScene->setSceneRect(kVisibleRegion);
    m_pScene->setBackgroundBrush(Qt::black);
    m_pScaler = new QGraphicsView(m_pScene, this);
    m_pScaler->setFrameShape(QFrame::NoFrame);
    m_pScaler->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pScaler->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pScaler->setAlignment(Qt::AlignCenter);
    m_pScaler->setRenderHint(QPainter::SmoothPixmapTransform);
    m_pScaler->setOptimizationFlag(QGraphicsView::DontSavePainterState);
    if (m_pView) {
        // The proxy takes a window of its own to show; it gives the view back in EndScaled.
        m_pView->setParent(nullptr);
        m_pProxy = m_pScene->addWidget(m_pView);
        m_pProxy->setPos(0, 0);
        m_pScene->setFocusItem(m_pProxy);
    }
    setFocusProxy(m_pScaler);
    clearMask();
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_pScaler->show();
    // The screen's size asked for outright too: without a window manager nothing else gives it.
    if (const QScreen* pScreen = screen())
        setGeometry(pScreen->geometry());
    showFullScreen();
    FitScaled();
    m_pScaler->setFocus(Qt::OtherFocusReason);
    if (m_pView)
        m_pView->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::EndScaled()
{
    if (!m_pScaler)
        return;
    QWidget* pView = m_pView;
    if (m_pProxy)
        m_pProxy->setWidget(nullptr); // hands the view back, not deleted
    m_pProxy = nullptr;
    setFocusProxy(nullptr);
    delete m_pScaler;
    m_pScaler = nullptr;
    delete m_pScene;
    m_pScene = nullptr;
    showNormal();
    setFixedSize(kWidth, kHeight);
    setMask(QRegion(kVisibleRegion));
    if (pView) {
        pView->setParent(this);
        pView->setGeometry(0, 0, kWidth, kHeight);
        pView->show();
        setFocusProxy(pView);
        pView->setFocus(Qt::OtherFocusReason);
    }
}

void CMainFrame::FitScaled()
{
    if (!m_pScaler)
        return;
    m_pScaler->setGeometry(rect());
    const qreal dScale = std::min(qreal(width()) / kVisibleRegion.width(), qreal(height()) / kVisibleRegion.height());
    m_pScaler->setTransform(QTransform::fromScale(dScale, dScale));
}

void CMainFrame::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    FitScaled();
}

void CMainFrame::RestorePlace(const QString& strScreen, const QPoint& ptTopLeft)
{
    for (const QScreen* pScreen : QGuiApplication::screens()) {
        if (pScreen->name() != strScreen || !pScreen->geometry().contains(ptTopLeft))
            continue;
        m_ptKept = ptTopLeft;
        if (!m_bFullScreen)
            move(ptTopLeft);
        return;
    }
}

QString CMainFrame::ScreenName() const
{
    const QScreen* pScreen = screen();
    return pScreen ? pScreen->name() : QString();
}

void CMainFrame::BeginDrag(const QPoint& ptGlobal)
{
    QWindow* pWindow = windowHandle();
    if (pWindow && pWindow->startSystemMove())
        return;
    // No window manager move: follow the pointer ourselves until the button comes up.
    m_ptDragOffset = ptGlobal - pos();
    if (!m_bManualDrag) {
        m_bManualDrag = true;
        qApp->installEventFilter(this);
    }
}

void CMainFrame::EndManualDrag()
{
    if (m_bManualDrag) {
        m_bManualDrag = false;
        qApp->removeEventFilter(this);
    }
}

bool CMainFrame::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (m_bManualDrag) {
        switch (pEvent->type()) {
        case QEvent::MouseMove: {
            const auto* pMouse = static_cast<QMouseEvent*>(pEvent);
            if (pMouse->buttons() & Qt::LeftButton)
                move(pMouse->globalPosition().toPoint() - m_ptDragOffset);
            else
                EndManualDrag();
            break;
        }
        case QEvent::MouseButtonRelease:
            EndManualDrag();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

void CMainFrame::paintEvent(QPaintEvent*)
{
    if (m_pView)
        return; // the view covers the whole frame and paints the skin
    QPainter p(this);
    p.drawImage(QPoint(0, 0), SkinBitmap(IDB_MAIN_BACKGROUND));
}

void CMainFrame::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton && !m_bFullScreen)
        BeginDrag(pEvent->globalPosition().toPoint());
    QWidget::mousePressEvent(pEvent);
}

void CMainFrame::closeEvent(QCloseEvent* pEvent)
{
    emit Closing();
    QWidget::closeEvent(pEvent);
}

void CMainFrame::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton && kAboutHotspot.contains(pEvent->position().toPoint()))
        emit AppAbout();
    QWidget::mouseDoubleClickEvent(pEvent);
}

} // namespace ostrel
