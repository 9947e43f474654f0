// The font chooser: face, style, size, effects and the text colour, as one dialog. Qt's own
// font dialog has no colour, so it is embedded here beside a colour list.
#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>

class QComboBox;
class QFontDialog;

class CFontDialog : public QDialog {
public:
    // `color` invalid stands for the automatic colour, the desktop's text colour.
    CFontDialog(const QFont& font, const QColor& color, QWidget* parent = nullptr);

    QFont GetFont() const;
    // The colour chosen; invalid for the automatic colour.
    QColor GetColor() const;
    void SetColor(const QColor& color);

    QFontDialog* m_pFont;
    QComboBox* m_pColor;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnColorChosen(int index);
    void NameFontLists();
    int m_nLastColor = 0;
};
