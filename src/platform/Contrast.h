#pragma once

#include <QColor>

#include <algorithm>
#include <cmath>

namespace netrova {

// Relative luminance and contrast ratio (1:1 to 21:1) as the accessibility guidelines define
// them.
inline double Luminance(const QColor& c) {
    const auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

inline double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour itself where it has `ratio` against `back`; else the same hue made darker on a
// light background, lighter on a dark one, until it has (black or white always would).
inline QColor ReadableOn(const QColor& wanted, const QColor& back, double ratio) {
    const bool darken = Contrast(Qt::black, back) > Contrast(Qt::white, back);
    QColor c = wanted.toRgb();
    while (Contrast(c, back) < ratio) {
        float h = 0, s = 0, l = 0;
        c.getHslF(&h, &s, &l);
        l = darken ? std::max(0.0f, l - 0.02f) : std::min(1.0f, l + 0.02f);
        c = QColor::fromHslF(h, s, l).toRgb();
        if (l == 0.0f || l == 1.0f)
            break;
    }
    return c;
}

} // namespace netrova
