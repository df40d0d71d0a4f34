#pragma once

#include <QString>
#include <QStringList>

namespace quorvel::files {

// The cameras' RAW formats the program knows, in one place: which file
// extensions are RAW files (the viewer shows them through their embedded
// preview), the entries the pattern boxes offer for them, and how such an
// entry becomes the pattern a list goes by.
class CameraFormats
{
public:
    CameraFormats() = delete;

    // Whether suffix (without the dot, in any case) is a RAW format's.
    static bool isRawExtension(QStringView suffix);
    // Every RAW extension known, lower case, without the dot.
    static const QStringList &rawExtensions();

    // The RAW entries of the pattern boxes, in the order they are listed:
    // "*.nef (Nikon)" through "*.raw".
    static const QStringList &rawEntries();
    // The pattern boxes' lists: the RAW side's, the RAW entries first, and
    // the picture side's, the picture formats first.
    static const QStringList &rawSideEntries();
    static const QStringList &pictureSideEntries();

    // The pattern an entry stands for: its first five characters, which
    // leave out the maker's note ("*.nef (Nikon)" is "*.nef") and make
    // "*.tiff" "*.tif", which lists the .tiff files through the rule for
    // three-letter extensions.
    static QString patternOf(QStringView entry);
};

} // namespace quorvel::files
