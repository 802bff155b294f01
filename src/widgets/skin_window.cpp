#include "widgets/skin_window.h"

#include "res/skin_bitmap.h"
#include "widgets/bitmap_button.h"
#include "widgets/key_event.h"
#include "widgets/overlay_font.h"
#include "widgets/skin_button.h"
#include "widgets/skin_slider.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace ostrel {

namespace {

const QColor kTextColour(0, 255, 0);

bool IsSkinButton(SkinControlKind kind)
{
    return kind == SkinControlKind::Momentary || kind == SkinControlKind::Toggle || kind == SkinControlKind::Indicator;
}

} // namespace

CSkinWindow::CSkinWindow(const SkinWindowParts& parts, TimerFactory& rTimers, QWidget* pParent, Qt::WindowFlags flags)
    : QWidget(pParent, flags), m_backStore(parts.nWidth, parts.nHeight, kFrameColour), m_parts(parts),
      m_pTimers(rTimers.Create(*this)),
      m_keyRepeats(*this, rTimers, [this](uint32_t dwKey) { ReleaseHeldKey(dwKey); })
{
    setFixedSize(parts.nWidth, parts.nHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CSkinWindow::~CSkinWindow()
{
    m_pTimers->Stop(m_parts.nRefreshTimerId);
}

void CSkinWindow::CreateSkin()
{
    m_bCreated = true;
    m_overlayFont = OverlayFont();
    m_backStore.SetScale(devicePixelRatioF());
    LoadBackground();
    CreateControls();
}

void CSkinWindow::LoadBackground()
{
    m_background = SkinBitmap(m_parts.nBackgroundId, m_backStore.Scale()).convertToFormat(QImage::Format_RGB32);
}

// ---- controls ----------------------------------------------------------------------------

void CSkinWindow::CreateControls()
{
    for (const SkinPlacement& place : m_parts.places) {
        int nIndex = 0;
        if (const SkinControl* pRow = FindRow(place.nControlId, &nIndex))
            m_controls.push_back(Control{place.nControlId, pRow->kind, CreateControl(place, *pRow)});
    }
    for (const Control& control : m_controls) {
        control.pWidget->setAccessibleName(QString::fromStdString(ControlName(control.nControlId)));
        control.pWidget->setToolTip(QString::fromStdString(ControlToolTip(control.nControlId)));
    }
}

QWidget* CSkinWindow::CreateControl(const SkinPlacement& place, const SkinControl& row)
{
    const int nId = place.nControlId;
    if (row.kind == SkinControlKind::Slider) {
        auto* pSlider = new CSkinSlider(nId, this);
        pSlider->setGeometry(place.x, place.y, place.cx, place.cy);
        pSlider->SetSkin(place.nBitmapNormal, place.nBitmapActive, Qt::ArrowCursor);
        return pSlider;
    }
    if (row.kind == SkinControlKind::Push) {
        auto* pButton = new CBitmapButton(nId, this);
        pButton->LoadBitmaps(place.nBitmapNormal, place.nBitmapActive);
        pButton->setGeometry(place.x, place.y, place.cx, place.cy);
        pButton->setVisible(place.bVisible);
        connect(pButton, &QAbstractButton::clicked, this, [this, nId] { OnCommand(nId); });
        return pButton;
    }
    auto* pButton = new CSkinButton(nId, this);
    pButton->setGeometry(place.x, place.y, place.cx, place.cy);
    pButton->setVisible(place.bVisible);
    const bool bMomentary = row.kind == SkinControlKind::Momentary;
    pButton->SetBitmaps(place.nBitmapNormal, place.nBitmapActive, bMomentary ? CSkinButton::Momentary : CSkinButton::Toggle,
                        row.nParameter);
    if (row.nParameter != 0) {
        connect(pButton, &CSkinButton::KeySent, this, [this](int nParameter, int nPressed) { OnKeySent(nParameter, nPressed); });
        connect(pButton, &CSkinButton::KeyPosted, this,
                [this](int nParameter, int nPressed) { OnKeyPosted(nParameter, nPressed); });
    }
    connect(pButton, &CSkinButton::CommandPosted, this, [this](int nControlId) { OnCommand(nControlId); });
    if (row.kind == SkinControlKind::Indicator) {
        pButton->setEnabled(false);
        pButton->SetAccessibleRole(QAccessible::Indicator);
    }
    return pButton;
}

const CSkinWindow::Control* CSkinWindow::FindControl(int nControlId) const
{
    const auto it = std::find_if(m_controls.begin(), m_controls.end(),
                                 [nControlId](const Control& control) { return control.nControlId == nControlId; });
    return it == m_controls.end() ? nullptr : &*it;
}

CSkinButton* CSkinWindow::SkinButton(int nControlId) const
{
    const Control* pControl = FindControl(nControlId);
    return pControl && IsSkinButton(pControl->kind) ? static_cast<CSkinButton*>(pControl->pWidget) : nullptr;
}

CBitmapButton* CSkinWindow::PushButton(int nControlId) const
{
    const Control* pControl = FindControl(nControlId);
    return pControl && pControl->kind == SkinControlKind::Push ? static_cast<CBitmapButton*>(pControl->pWidget) : nullptr;
}

CSkinSlider* CSkinWindow::SkinSlider(int nControlId) const
{
    const Control* pControl = FindControl(nControlId);
    return pControl && pControl->kind == SkinControlKind::Slider ? static_cast<CSkinSlider*>(pControl->pWidget) : nullptr;
}

const SkinControl* CSkinWindow::FindRow(int nControlId, int* pIndex) const
{
    for (const SkinControl& row : m_parts.controls)
        if (nControlId >= row.nControlId && nControlId < row.nControlId + row.nCount) {
            *pIndex = nControlId - row.nControlId;
            return &row;
        }
    return nullptr;
}

std::string CSkinWindow::ControlName(int nControlId) const
{
    int nIndex = 0;
    const SkinControl* pRow = FindRow(nControlId, &nIndex);
    if (!pRow)
        return {};
    if (pRow->nCount == 1)
        return pRow->pszName;
    return pRow->pszName + (" " + std::to_string(nIndex + 1));
}

KeyCommand CSkinWindow::ControlCommand(int nControlId) const
{
    int nIndex = 0;
    const SkinControl* pRow = FindRow(nControlId, &nIndex);
    if (!pRow || pRow->command == KeyCommand::None)
        return KeyCommand::None;
    return static_cast<KeyCommand>(static_cast<int>(pRow->command) + nIndex);
}

int CSkinWindow::ControlOfCommand(KeyCommand command) const
{
    if (command == KeyCommand::None)
        return 0;
    for (const SkinControl& row : m_parts.controls) {
        const int nIndex = static_cast<int>(command) - static_cast<int>(row.command);
        if (row.command != KeyCommand::None && nIndex >= 0 && nIndex < row.nCount)
            return row.nControlId + nIndex;
    }
    return 0;
}

std::string CSkinWindow::ControlToolTip(int nControlId) const
{
    std::string strTip = ControlName(nControlId);
    if (const std::optional<KeyStroke> key = KeyOfCommand(m_parts.keys, ControlCommand(nControlId)))
        strTip += " (" + KeyText(*key) + ")";
    return strTip;
}

// ---- keys --------------------------------------------------------------------------------

void CSkinWindow::keyPressEvent(QKeyEvent* pEvent)
{
    const std::optional<KeyStroke> key = ToKeyStroke(*pEvent);
    const KeyCommand command = key ? FindKeyCommand(m_parts.keys, *key) : KeyCommand::None;
    if (command == KeyCommand::None) {
        QWidget::keyPressEvent(pEvent);
        return;
    }
    // The keyboard's own repeats would toggle and step again; a held key repeats by timer.
    const QWidget* pModal = QApplication::activeModalWidget();
    if (m_keyRepeats.Press(*pEvent) && (!pModal || pModal == window())) {
        if (IsHeldCommand(command))
            HoldKey(command, KeyId(*pEvent));
        else
            OnKeyCommand(command);
    }
    pEvent->accept();
}

void CSkinWindow::keyReleaseEvent(QKeyEvent* pEvent)
{
    // A held key is let go through the filter, once no repeat's press follows.
    const uint32_t dwKey = KeyId(*pEvent);
    const bool bHolds = std::any_of(m_heldKeys.begin(), m_heldKeys.end(),
                                    [dwKey](const HeldKey& held) { return held.dwKey == dwKey; });
    m_keyRepeats.Release(*pEvent);
    const std::optional<KeyStroke> key = ToKeyStroke(*pEvent);
    if (bHolds || (key && FindKeyCommand(m_parts.keys, *key) != KeyCommand::None))
        pEvent->accept();
    else
        QWidget::keyReleaseEvent(pEvent);
}

void CSkinWindow::OnKeyCommand(KeyCommand command)
{
    const int nControlId = ControlOfCommand(command);
    if (CSkinButton* pButton = SkinButton(nControlId))
        pButton->Click();
    else if (CBitmapButton* pPush = PushButton(nControlId))
        pPush->click();
}

void CSkinWindow::HoldKey(KeyCommand command, uint32_t dwPhysicalKey)
{
    CSkinButton* pButton = SkinButton(ControlOfCommand(command));
    if (!pButton || pButton->IsPressed() || !pButton->isEnabled())
        return;
    m_heldKeys.push_back(HeldKey{dwPhysicalKey, pButton});
    pButton->Press();
}

bool CSkinWindow::ReleaseHeldKey(uint32_t dwPhysicalKey)
{
    if (dwPhysicalKey == 0)
        return false;
    const auto it = std::find_if(m_heldKeys.begin(), m_heldKeys.end(),
                                 [dwPhysicalKey](const HeldKey& held) { return held.dwKey == dwPhysicalKey; });
    if (it == m_heldKeys.end())
        return false;
    CSkinButton* pButton = it->pButton;
    m_heldKeys.erase(it);
    pButton->Release();
    return true;
}

void CSkinWindow::ReleaseHeldKeys()
{
    // Key and mouse releases no longer come here: what they hold is let go now.
    m_keyRepeats.Forget();
    std::vector<HeldKey> held;
    held.swap(m_heldKeys);
    for (const HeldKey& key : held)
        key.pButton->Release();
    for (const Control& control : m_controls) {
        if (control.kind != SkinControlKind::Momentary)
            continue;
        auto* pButton = static_cast<CSkinButton*>(control.pWidget);
        if (pButton->Parameter() != 0 && pButton->IsPressed())
            pButton->Release();
    }
}

void CSkinWindow::changeEvent(QEvent* pEvent)
{
    if (pEvent->type() == QEvent::ActivationChange && !isActiveWindow())
        ReleaseHeldKeys();
    QWidget::changeEvent(pEvent);
}

void CSkinWindow::hideEvent(QHideEvent* pEvent)
{
    ReleaseHeldKeys();
    QWidget::hideEvent(pEvent);
}

// ---- drawing -----------------------------------------------------------------------------

void CSkinWindow::ScheduleRefresh()
{
    // Pictures that arrive faster than the screen refreshes replace each other unpainted.
    if (!m_bRefreshScheduled) {
        m_bRefreshScheduled = true;
        m_pTimers->Start(m_parts.nRefreshTimerId, 1000 / kRefreshPerSecond);
    }
}

void CSkinWindow::OnTimer(int nId)
{
    if (nId == m_parts.nRefreshTimerId)
        RefreshScreen();
}

void CSkinWindow::RefreshScreen()
{
    m_pTimers->Stop(m_parts.nRefreshTimerId);
    m_bRefreshScheduled = false;
    OnRefresh();
    for (int n = 0; n < CBackStore::kSlots; ++n)
        if (m_backStore.Pending(n))
            update(m_backStore.PendingRect(n));
}

bool CSkinWindow::ShowPicture(uint8_t byChannel, const Picture& picture)
{
    if (byChannel >= CBackStore::kSlots)
        return false;
    m_backStore.Show(byChannel, picture, PictureCell(byChannel));
    if (!m_backStore.Pending(byChannel))
        return false;
    ScheduleRefresh();
    return true;
}

void CSkinWindow::RepaintPictures(const CellRect& rcArea)
{
    PaintBackground(QRect(rcArea.nLeft - 1, rcArea.nTop - 1, rcArea.Width() + 2, rcArea.Height() + 2));
    bool bAnyPicture = false;
    for (int n = 0; n < CBackStore::kSlots; ++n) {
        const CellRect rcCell = PictureCell(n);
        if (m_backStore.Repaint(n, rcCell))
            bAnyPicture = true;
        else
            m_backStore.PaintFrame(rcCell); // nothing for an empty cell
    }
    if (bAnyPicture)
        ScheduleRefresh();
}

void CSkinWindow::DrawText(const QRect& rc, const QString& strText, int nFlags, const QFont& textFont, bool bFillFirst)
{
    QPainter painter(&m_backStore.Image());
    painter.setClipRect(rc);
    if (bFillFirst)
        painter.fillRect(rc, Qt::black);
    painter.setFont(textFont);
    painter.setPen(kTextColour);
    if (m_parts.bOpaqueText) {
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(Qt::black);
    }
    painter.drawText(rc, nFlags, strText);
    update(rc);
}

void CSkinWindow::paintEvent(QPaintEvent* pEvent)
{
    // Moved to a screen of another device pixel ratio: everything is drawn again at the new one.
    if (m_bCreated && m_backStore.SetScale(devicePixelRatioF())) {
        LoadBackground();
        OnDeviceScale();
    }
    const uint64_t nPaintedBefore = m_backStore.NewPicturesPainted();
    m_backStore.Flush(&pEvent->region());
    m_nPicturesPainted += m_backStore.NewPicturesPainted() - nPaintedBefore; // reached the window
    QPainter painter(this);
    m_backStore.DrawOnto(painter, pEvent->region());
}

} // namespace ostrel
