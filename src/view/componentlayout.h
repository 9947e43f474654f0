// The component's page layout of the text it shows, on one painter: what printing and the print
// preview lay their pages out with.
#pragma once

#include "view/printpager.h"

#include <QRect>

class QPainter;
class QsciScintillaBase;

class CComponentLayout : public CPrintPager::Layout {
public:
    CComponentLayout(const QsciScintillaBase& control, QPainter* painter, const QRect& page)
        : m_control(control), m_painter(painter), m_page(page) {}

    long Format(bool draw, const QRect& render, long cpMin, long cpMax) override;
    long LineFromPosition(long pos) const override;
    long LineStart(long line) const override;
    long Length() const override;

private:
    long Send(unsigned int msg, unsigned long w = 0, void* p = nullptr) const;

    const QsciScintillaBase& m_control;
    QPainter* m_painter;
    QRect m_page;
};
