#include "frame/statusmessagebar.h"

#include "framework/uiservices.h"
#include "resources/strings.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

namespace {
// The message pane: as wide as the bar leaves it, whatever it says. A message longer than that is
// cut in the middle with an ellipsis (its whole text in the tool tip), so that a long path never
// widens the window.
class CMessagePane : public QLabel {
public:
    using QLabel::QLabel;

    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        const QRect room = contentsRect();
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, room.width());
        setToolTip(shown == text() ? QString() : text());
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        painter.drawText(room, static_cast<int>(alignment()), shown);
    }
};
} // namespace

CStatusMessageBar::CStatusMessageBar(QWidget* parent)
    : QStatusBar(parent), m_strIdleText(QString::fromUtf8(Str::Ready)) {
    setSizeGripEnabled(true);
}

void CStatusMessageBar::SetIndicators(const std::vector<std::pair<int, QString>>& indicators) {
    auto* message = new CMessagePane(m_strIdleText, this);
    addWidget(message, 1);
    m_panes.push_back(message);
    m_ids.push_back(0);
    for (const auto& [id, sample] : indicators) {
        auto* pane = new QLabel(sample, this);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(sample) + 8);
        addPermanentWidget(pane);
        m_panes.push_back(pane);
        m_ids.push_back(id);
    }
}

void CStatusMessageBar::SetClickable(int id, const QString& tip) {
    for (size_t i = 0; i < m_ids.size(); ++i) {
        if (m_ids[i] != id)
            continue;
        m_panes[i]->setToolTip(tip);
        m_panes[i]->setCursor(Qt::PointingHandCursor);
        m_panes[i]->installEventFilter(this);
    }
}

bool CStatusMessageBar::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        for (size_t i = 0; i < m_panes.size(); ++i)
            if (m_panes[i] == watched &&
                m_panes[i]->rect().contains(static_cast<QMouseEvent*>(e)->position().toPoint())) {
                emit PaneClicked(m_ids[i]);
                return true;
            }
    }
    return QStatusBar::eventFilter(watched, e);
}

void CStatusMessageBar::SetProgress(int percent) {
    if (!m_pProgress) {
        m_pProgress = new QProgressBar(this);
        m_pProgress->setRange(0, 100);
        m_pProgress->setMaximumWidth(160);
        m_pProgress->setMaximumHeight(fontMetrics().height());
        insertWidget(1, m_pProgress);
    }
    m_pProgress->setVisible(percent >= 0);
    if (percent >= 0)
        m_pProgress->setValue(percent);
}

void CStatusMessageBar::SetPaneText(int index, const QString& text) {
    if (index >= 0 && index < GetPaneCount() && m_panes[index]->text() != text)
        m_panes[index]->setText(text);
}

void CStatusMessageBar::ShowMessage(const QString& text, bool bBeep) {
    if (m_nTimer != -1) {
        killTimer(m_nTimer);
        m_nTimer = -1; // timer ids are reused: never kill one twice
    }
    const QString shown = text.isNull() ? m_strIdleText : text;
    if (!isHidden()) {
        m_nTimer = startTimer(static_cast<int>(m_nMessagePeriod));
        if (m_nTimer == 0)
            return;
        SetPaneText(0, shown);
        repaint(); // visible at once, also while the caller keeps working
        if (bBeep)
            Ui().MessageBeep(MB_ICONEXCLAMATION);
    } else if (bBeep) {
        Ui().MessageBox(shown, MB_OK | MB_ICONEXCLAMATION);
    }
}

void CStatusMessageBar::timerEvent(QTimerEvent* e) {
    if (e->timerId() != m_nTimer) {
        QStatusBar::timerEvent(e);
        return;
    }
    SetPaneText(0, m_strIdleText);
    killTimer(m_nTimer);
    m_nTimer = -1;
}
