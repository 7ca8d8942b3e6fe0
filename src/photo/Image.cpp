#include "photo/Image.h"

#include <QPainter>

#include <opencv2/imgproc.hpp>

namespace zz::photo {

cv::Mat3b toMat(const QImage &image)
{
    QImage rgb;
    if (image.hasAlphaChannel()) {
        rgb = QImage(image.size(), QImage::Format_RGB888);
        rgb.fill(Qt::white);
        QPainter p(&rgb);
        p.drawImage(0, 0, image);
    } else {
        rgb = image.convertToFormat(QImage::Format_RGB888);
    }
    const cv::Mat view(rgb.height(), rgb.width(), CV_8UC3, const_cast<uchar *>(rgb.constBits()),
                       size_t(rgb.bytesPerLine()));
    return view.clone();
}

QImage toImage(const cv::Mat3b &rgb)
{
    QImage out(rgb.cols, rgb.rows, QImage::Format_RGB888);
    for (int y = 0; y < rgb.rows; ++y)
        std::memcpy(out.scanLine(y), rgb.ptr(y), size_t(rgb.cols) * 3);
    return out;
}

cv::Vec3f rgbToLab(const cv::Vec3f &rgb)
{
    cv::Mat3f one(1, 1, rgb / 255.0f);
    cv::Mat3f lab;
    cv::cvtColor(one, lab, cv::COLOR_RGB2Lab);
    return lab(0, 0);
}

} // namespace zz::photo
