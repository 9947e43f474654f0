// Typing somewhere first moves every byte between there and the place of the last edit, where
// the component keeps its room for new bytes: in a text of gigabytes, the first keystroke after
// a far move would wait half a second. Once the caret has rested a moment and nothing has been
// edited, that room is moved to the caret a slice at a time in idle moments.
#pragma once

#include <QObject>
#include <QTimer>

class CTextControl;

class CCaretRoom : public QObject {
public:
    // Bytes moved in one idle moment: a few milliseconds' work.
    static constexpr long kSlice = 64L << 20;
    // How long the caret rests, with no edit, before the room starts moving.
    static constexpr int kRestMs = 300;

    explicit CCaretRoom(CTextControl& control);
    // Something changed that may let the room move (the caret, the view, read only): wait for
    // rest again.
    void Wake() { m_timer.start(kRestMs); }

private:
    void Step();

    CTextControl& m_control;
    QTimer m_timer;
    bool m_bEdited = false;
};
