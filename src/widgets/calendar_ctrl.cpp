#include "widgets/calendar_ctrl.h"

#include "platform/clock.h"

#include <QComboBox>
#include <QEvent>
#include <QIntValidator>
#include <QLineEdit>
#include <QLocale>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QSpinBox>

namespace ostrel {

namespace {

// Client-area places of the header controls (x, width); all are 22 pixels high from y 2.
constexpr int kControlTop = 2;
constexpr int kControlHeight = 22;
constexpr int kMonthSpinX = 8;
constexpr int kMonthSpinWidth = 18;
constexpr int kMonthListX = 28;
constexpr int kMonthListWidth = 104;
constexpr int kYearEditX = 138;
constexpr int kYearEditWidth = 50;
constexpr int kYearSpinX = 188;
constexpr int kYearSpinWidth = 18;

QColor Rgb(uint32_t dwRgb)
{
    return QColor(static_cast<int>((dwRgb >> 16) & 0xFF), static_cast<int>((dwRgb >> 8) & 0xFF),
                  static_cast<int>(dwRgb & 0xFF));
}

// The day cells' look on a dark background.
const QColor kMonthText(235, 235, 235);
const QColor kNeighbourText(125, 125, 125);
const QColor kTodayText(255, 208, 64);
const QColor kSelectedFill(40, 100, 200);
const QColor kPressedFill(20, 55, 120);
const QColor kHotFill(255, 255, 255, 56);
const QColor kHotFrame(200, 200, 200);

QRect ToQRect(const CellRect& rc)
{
    return QRect(rc.nLeft, rc.nTop, rc.Width(), rc.Height());
}

} // namespace

CCalendarCtrl::CCalendarCtrl(int nControlId, const Clock& clock, QWidget* pParent)
    : QWidget(pParent)
    , m_nControlId(nControlId)
    , m_rClock(clock)
    , m_page(Today())
{
    setObjectName(QStringLiteral("calendar"));
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);

    const QPoint org = ClientOrigin();
    auto place = [org](QWidget* pChild, int x, int cx) {
        pChild->setGeometry(org.x() + x, org.y() + kControlTop, cx, kControlHeight);
    };

    // Only the arrows of the spins are shown; the month spin wraps so that it never stops.
    m_pMonthSpin = new QSpinBox(this);
    m_pMonthSpin->setObjectName(QString::number(IDC_MONTH_SPIN));
    m_pMonthSpin->setRange(0, 11);
    m_pMonthSpin->setWrapping(true);
    m_pMonthSpin->setFocusPolicy(Qt::NoFocus);
    place(m_pMonthSpin, kMonthSpinX, kMonthSpinWidth);

    m_pMonthList = new QComboBox(this);
    m_pMonthList->setObjectName(QString::number(IDC_MONTH_LIST));
    const QLocale locale;
    for (int i = 1; i <= 12; ++i)
        m_pMonthList->addItem(locale.standaloneMonthName(i, QLocale::LongFormat));
    place(m_pMonthList, kMonthListX, kMonthListWidth);

    m_pYearEdit = new QLineEdit(this);
    m_pYearEdit->setObjectName(QString::number(IDC_YEAR_EDIT));
    m_pYearEdit->setMaxLength(4);
    m_pYearEdit->setValidator(new QIntValidator(0, 9999, m_pYearEdit));
    m_pYearEdit->setAlignment(Qt::AlignCenter);
    place(m_pYearEdit, kYearEditX, kYearEditWidth);

    m_pYearSpin = new QSpinBox(this);
    m_pYearSpin->setObjectName(QString::number(IDC_YEAR_SPIN));
    m_pYearSpin->setRange(CMonthCalendar::kMinYear, CMonthCalendar::kMaxYear);
    m_pYearSpin->setFocusPolicy(Qt::NoFocus);
    place(m_pYearSpin, kYearSpinX, kYearSpinWidth);

    SyncControls();
    connect(m_pMonthSpin, &QSpinBox::valueChanged, this, &CCalendarCtrl::OnMonthSpin);
    connect(m_pMonthList, &QComboBox::activated, this, [this](int i) {
        m_page.ChooseMonth(i, Today());
        SyncControls();
        update();
    });
    connect(m_pYearSpin, &QSpinBox::valueChanged, this, &CCalendarCtrl::OnYearSpin);
    connect(m_pYearEdit, &QLineEdit::editingFinished, this, &CCalendarCtrl::OnYearEdited);
}

CCalendarCtrl* CCalendarCtrl::Create(int nControlId, const Clock& clock, QWidget* pParent, const QRect& rc)
{
    auto* pCtrl = new CCalendarCtrl(nControlId, clock, pParent);
    pCtrl->move(rc.topLeft());
    pCtrl->show();
    return pCtrl;
}

bool CCalendarCtrl::SetDate(int nYear, int nMonth, int nDay)
{
    if (!m_page.SetDate({nYear, nMonth, nDay}, Today()))
        return false;
    SyncControls();
    update();
    return true;
}

CalendarDate CCalendarCtrl::Today() const
{
    const LocalDateTime now = m_rClock.LocalNow();
    return {now.nYear, now.nMonth, now.nDay};
}

int CCalendarCtrl::CellAt(QPoint ptWidget) const
{
    const QPoint pt = ptWidget - ClientOrigin();
    return CMonthCalendar::HitTest(pt.x(), pt.y());
}

void CCalendarCtrl::OnMonthSpin(int nValue)
{
    // The spin wraps 11 -> 0 going up and 0 -> 11 going down.
    const int nDelta = (nValue - m_nMonthSpinValue + 12) % 12;
    if (nDelta == 0)
        return;
    m_page.StepMonth(nDelta == 1 ? 1 : -1, Today());
    SyncControls();
    update();
}

void CCalendarCtrl::OnYearSpin(int nValue)
{
    if (nValue == m_page.DisplayedYear())
        return;
    m_page.SetYear(nValue, Today());
    SyncControls();
    update();
}

void CCalendarCtrl::OnYearEdited()
{
    bool bOk = false;
    const int nYear = m_pYearEdit->text().toInt(&bOk);
    if (bOk && nYear != m_page.DisplayedYear())
        m_page.SetYear(nYear, Today());
    SyncControls();
    update();
}

void CCalendarCtrl::SyncControls()
{
    const QSignalBlocker blockMonthSpin(m_pMonthSpin);
    const QSignalBlocker blockYearSpin(m_pYearSpin);
    const QSignalBlocker blockYearEdit(m_pYearEdit);
    m_nMonthSpinValue = m_page.DisplayedMonth() - 1;
    m_pMonthSpin->setValue(m_nMonthSpinValue);
    m_pMonthList->setCurrentIndex(m_page.DisplayedMonth() - 1);
    m_pYearSpin->setValue(m_page.DisplayedYear());
    m_pYearEdit->setText(QString::asprintf("%04d", m_page.DisplayedYear()));
}

void CCalendarCtrl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.translate(ClientOrigin());
    if (!isEnabled())
        p.setOpacity(0.45);

    for (int nColumn = 0; nColumn < CMonthCalendar::kColumns; ++nColumn) {
        p.setPen(Rgb(CMonthCalendar::HeaderColour(nColumn)));
        p.drawText(ToQRect(CMonthCalendar::HeaderRectOf(nColumn)), Qt::AlignCenter,
                   QString::fromLatin1(CMonthCalendar::kHeaderTexts[static_cast<size_t>(nColumn)]));
    }

    for (int k = 0; k < CMonthCalendar::kCellCount; ++k) {
        const CMonthCalendar::Cell& cell = m_page.CellAt(k);
        const QRect rc = ToQRect(CMonthCalendar::CellRectOf(k)).adjusted(1, 1, -1, -1);
        QColor text = cell.byKind == CMonthCalendar::KIND_NEIGHBOUR ? kNeighbourText : kMonthText;
        if (cell.bPressed) {
            p.fillRect(rc, kPressedFill);
            text = Qt::white;
        } else if (cell.bSelected) {
            p.fillRect(rc, kSelectedFill);
            text = Qt::white;
        } else if (cell.bHot) {
            p.fillRect(rc, kHotFill);
        }
        if (cell.bHot) {
            p.setPen(kHotFrame);
            p.drawRect(rc.adjusted(0, 0, -1, -1));
        }
        if (cell.byKind == CMonthCalendar::KIND_TODAY) {
            // Today keeps its colour on any fill, framed so that it reads without colour too.
            p.setPen(kTodayText);
            p.drawRect(rc.adjusted(0, 0, -1, -1));
            if (!cell.bSelected && !cell.bPressed)
                text = kTodayText;
        }
        p.setPen(text);
        // A pressed cell's number sinks by a pixel.
        const QRect rcText = cell.bPressed ? rc.translated(1, 1) : rc;
        p.drawText(rcText, Qt::AlignCenter, QString::number(cell.date.nDay));
    }
}

void CCalendarCtrl::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton)
        return;
    // The window keeps the pointer until the release (Qt grabs it for the press).
    m_page.Press(CellAt(pEvent->position().toPoint()));
    update();
}

void CCalendarCtrl::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton)
        return;
    const bool bSelected = m_page.Release(CellAt(pEvent->position().toPoint()), Today());
    SyncControls();
    update();
    if (bSelected)
        QMetaObject::invokeMethod(this, [this] { emit DateClicked(m_nControlId); }, Qt::QueuedConnection);
}

void CCalendarCtrl::mouseMoveEvent(QMouseEvent* pEvent)
{
    const int nCell = CellAt(pEvent->position().toPoint());
    if (nCell != m_page.HotCell()) {
        m_page.SetHot(nCell);
        update();
    }
}

void CCalendarCtrl::leaveEvent(QEvent*)
{
    if (m_page.HotCell() >= 0) {
        m_page.SetHot(-1);
        update();
    }
}

void CCalendarCtrl::changeEvent(QEvent* pEvent)
{
    if (pEvent->type() == QEvent::EnabledChange)
        update();
    QWidget::changeEvent(pEvent);
}

} // namespace ostrel
