#pragma once

#include <QColor>

// Text colours that stay readable on whatever background the desktop's
// colour scheme gives: at least the 4.5:1 contrast of WCAG AA.
namespace zz::help {

inline constexpr double kReadableContrast = 4.5;

// WCAG contrast ratio of two opaque colours, 1 to 21.
double contrastRatio(const QColor &a, const QColor &b);

// `wanted` where it is readable on `background`; otherwise `wanted` mixed
// towards `fallback` just far enough, and `fallback` itself when even that
// is not.
QColor readableOn(const QColor &wanted, const QColor &background, const QColor &fallback);

} // namespace zz::help
