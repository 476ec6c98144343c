// Dialog units: positions in a template are measured in quarters of the dialog font's average character width and
// eighths of its height, so a layout keeps its proportions whatever font and screen it meets.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(int baseWidth, int baseHeight) : m_baseWidth(baseWidth), m_baseHeight(baseHeight) {}

    int baseWidth() const { return m_baseWidth; }
    int baseHeight() const { return m_baseHeight; }

    int toPixelsX(int units) const;
    int toPixelsY(int units) const;
    QRect toPixels(const QRect& units) const;
    QSize toPixels(const QSize& units) const;

private:
    int m_baseWidth;  // average character width in pixels
    int m_baseHeight; // character height in pixels
};

// The font a template names, as this machine has it: the Chinese dialog face becomes an installed CJK font, the
// classic shell dialog face the desktop's own sans-serif font, Arial the sans-serif font.
QFont templateFont(const QString& face, int points);
