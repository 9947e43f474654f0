// The status bar: a message pane and indicator panes, and transient messages that return to the
// idle text after a fixed period.
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QString>
#include <vector>

class CStatusMessageBar : public QStatusBar {
    Q_OBJECT
public:
    explicit CStatusMessageBar(QWidget* parent = nullptr);

    // Adds the panes: the message pane, then one indicator per id, each as wide as its sample.
    void SetIndicators(const std::vector<std::pair<int, QString>>& indicators);
    int GetPaneCount() const { return static_cast<int>(m_panes.size()); }
    int GetPaneId(int index) const { return m_ids[index]; }
    QString GetPaneText(int index) const { return m_panes[index]->text(); }
    void SetPaneText(int index, const QString& text);
    QLabel* Pane(int index) const { return m_panes[index]; }

    // Shows `text` (the idle text when null) for the message period, with a warning beep if
    // asked; while the bar is hidden, a message with a beep goes to a message box instead.
    void ShowMessage(const QString& text, bool bBeep);
    // Shows how far a long operation has come, in percent; -1 hides it.
    void SetProgress(int percent);
    // Makes the indicator pane `id` answer a click, with `tip` as its tool tip.
    void SetClickable(int id, const QString& tip);

signals:
    // The indicator pane `id`, made clickable, was clicked.
    void PaneClicked(int id);

public:
    QString m_strIdleText;
    unsigned m_nMessagePeriod = 5000;
    int m_nTimer = -1;

protected:
    void timerEvent(QTimerEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QProgressBar* m_pProgress = nullptr;
    std::vector<QLabel*> m_panes;
    std::vector<int> m_ids;
};
