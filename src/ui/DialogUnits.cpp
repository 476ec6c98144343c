// Tested by tests/gui/BuilderTest.cpp.
#include "ui/DialogUnits.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>

namespace {

// Rounds units × base / divisor to the nearest pixel, halves away from zero, as dialog layouts always have.
int scale(int units, int base, int divisor) {
    const long long product = static_cast<long long>(units) * base;
    const long long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor : -((-product + half) / divisor));
}

QString firstInstalled(std::initializer_list<const char*> families) {
    const QStringList installed = QFontDatabase::families();
    for (const char* family : families)
        if (installed.contains(QLatin1String(family), Qt::CaseInsensitive)) return QString::fromLatin1(family);
    return {};
}

} // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    static const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseWidth = std::max(1, static_cast<int>(std::lround(metrics.horizontalAdvance(alphabet) / 52.0)));
    m_baseHeight = std::max(1, metrics.height());
}

int DialogUnits::toPixelsX(int units) const {
    return scale(units, m_baseWidth, 4);
}

int DialogUnits::toPixelsY(int units) const {
    return scale(units, m_baseHeight, 8);
}

QRect DialogUnits::toPixels(const QRect& units) const {
    return QRect(toPixelsX(units.x()), toPixelsY(units.y()), toPixelsX(units.width()), toPixelsY(units.height()));
}

QSize DialogUnits::toPixels(const QSize& units) const {
    return QSize(toPixelsX(units.width()), toPixelsY(units.height()));
}

QFont templateFont(const QString& face, int points) {
    QFont font = QApplication::font();
    if (face == QStringLiteral("宋体") || face.compare(QLatin1String("SimSun"), Qt::CaseInsensitive) == 0) {
        const QString cjk = firstInstalled(
            {"WenQuanYi Zen Hei", "WenQuanYi Micro Hei", "Noto Sans CJK SC", "AR PL UMing CN", "Droid Sans Fallback"});
        if (!cjk.isEmpty()) font.setFamily(cjk);
    } else if (face.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0) {
        const QString sans = firstInstalled({"Arial", "Liberation Sans", "DejaVu Sans"});
        if (!sans.isEmpty()) font.setFamily(sans);
        font.setStyleHint(QFont::SansSerif);
    }
    // Any other face (the classic shell dialog font among them) is the desktop's own font at the template's size.
    font.setPointSize(points);
    return font;
}
