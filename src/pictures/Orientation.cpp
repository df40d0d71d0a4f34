#include "pictures/Orientation.h"

#include <QTransform>

namespace quorvel::pictures {

QImageIOHandler::Transformations transformationOfExif(int orientation)
{
    using T = QImageIOHandler;
    // By EXIF orientation, 1 to 8; any other value is taken as upright.
    static constexpr T::Transformation byOrientation[] = {
        T::TransformationNone,     T::TransformationNone,
        T::TransformationMirror,   T::TransformationRotate180,
        T::TransformationFlip,     T::TransformationFlipAndRotate90,
        T::TransformationRotate90, T::TransformationMirrorAndRotate90,
        T::TransformationRotate270};
    return orientation >= 1 && orientation <= 8 ? byOrientation[orientation]
                                                : T::TransformationNone;
}

QImage turned(QImage image, QImageIOHandler::Transformations transformation)
{
    if (transformation == QImageIOHandler::TransformationNone)
        return image;
    if (transformation == QImageIOHandler::TransformationRotate270)
        return image.transformed(QTransform().rotate(270));
    image =
        std::move(image).mirrored(transformation.testFlag(QImageIOHandler::TransformationMirror),
                                  transformation.testFlag(QImageIOHandler::TransformationFlip));
    if (transformation.testFlag(QImageIOHandler::TransformationRotate90))
        image = image.transformed(QTransform().rotate(90));
    return image;
}

} // namespace quorvel::pictures
