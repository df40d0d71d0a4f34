#include "files/CameraFormats.h"

#include <array>

namespace quorvel::files {

namespace {

struct Format
{
    const char *extension;
    // The maker the pattern boxes name beside it; null for a format they
    // offer without one.
    const char *maker;
    // Whether the pattern boxes offer it at all.
    bool listed;
};

// The formats the pattern boxes list come first, in the boxes' order; their
// texts are the boxes' own and must not change.
constexpr std::array formats{
    Format{"nef", "Nikon", true},   Format{"crw", "Canon", true},  Format{"cr2", "Canon", true},
    Format{"kdc", "Kodak", true},   Format{"dcr", "Kodak", true},  Format{"mrw", "Minolta", true},
    Format{"orf", "Olympus", true}, Format{"dng", "Adobe", true},  Format{"ptx", "Pentax", true},
    Format{"pef", "Pentax", true},  Format{"arw", "Sony", true},   Format{"raf", "Fuji", true},
    Format{"x3f", "Sigma", true},   Format{"raw", nullptr, true},  Format{"3fr", nullptr, false},
    Format{"cr3", nullptr, false},  Format{"erf", nullptr, false}, Format{"iiq", nullptr, false},
    Format{"mef", nullptr, false},  Format{"mos", nullptr, false}, Format{"nrw", nullptr, false},
    Format{"rw2", nullptr, false},  Format{"rwl", nullptr, false}, Format{"sr2", nullptr, false},
    Format{"srf", nullptr, false},  Format{"srw", nullptr, false},
};

const QString separator = QStringLiteral("-------");

QStringList pictureEntries()
{
    return {QStringLiteral("*.jpg"), QStringLiteral("*.tif"), QStringLiteral("*.tiff")};
}

} // namespace

bool CameraFormats::isRawExtension(QStringView suffix)
{
    for (const Format &format : formats) {
        if (suffix.compare(QLatin1String(format.extension), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

const QStringList &CameraFormats::rawExtensions()
{
    static const QStringList extensions = [] {
        QStringList all;
        for (const Format &format : formats)
            all.append(QString::fromLatin1(format.extension));
        return all;
    }();
    return extensions;
}

const QStringList &CameraFormats::rawEntries()
{
    static const QStringList entries = [] {
        QStringList listed;
        for (const Format &format : formats) {
            if (!format.listed)
                continue;
            QString entry = QStringLiteral("*.") + QString::fromLatin1(format.extension);
            if (format.maker)
                entry += QStringLiteral(" (%1)").arg(QString::fromLatin1(format.maker));
            listed.append(entry);
        }
        return listed;
    }();
    return entries;
}

const QStringList &CameraFormats::rawSideEntries()
{
    static const QStringList entries = rawEntries() + QStringList{separator} + pictureEntries();
    return entries;
}

const QStringList &CameraFormats::pictureSideEntries()
{
    static const QStringList entries = pictureEntries() + QStringList{separator} + rawEntries();
    return entries;
}

QString CameraFormats::patternOf(QStringView entry)
{
    return entry.first(qMin<qsizetype>(entry.size(), 5)).toString();
}

} // namespace quorvel::files
