#pragma once

// The bridge between Qt's images and OpenCV's matrices, and colour helpers the
// stages share. Images inside the engine are 8-bit RGB (not OpenCV's usual BGR).

#include <QImage>
#include <QPointF>

#include <opencv2/core.hpp>

#include <cmath>

namespace zz::photo {

// A deep copy of the photo as 8-bit RGB; alpha is laid onto white.
cv::Mat3b toMat(const QImage &image);
// For pictures of the stages in tests and debugging.
QImage toImage(const cv::Mat3b &rgb);

inline cv::Point2f toPoint(QPointF p) { return {float(p.x()), float(p.y())}; }
inline QPointF toQPoint(cv::Point2f p) { return {p.x, p.y}; }

// CIE L*a*b* (D65) of an sRGB colour given as 0 ... 255 floats.
cv::Vec3f rgbToLab(const cv::Vec3f &rgb);
// Chroma per lightness of an L*a*b* colour, with L*'s offset: more or less
// light on the same paint scales both alike, so this stays.
inline float colourfulness(const cv::Vec3f &lab) { return std::hypot(lab[1], lab[2]) / (lab[0] + 16); }

} // namespace zz::photo
