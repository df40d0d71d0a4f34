#include "trimming/CommandLineTrim.h"

#include "files/FileNames.h"
#include "files/FolderError.h"
#include "files/FolderListing.h"
#include "files/NameList.h"
#include "files/WildcardPattern.h"
#include "platform/Trash.h"
#include "trimming/TreeTrimPlan.h"

#include <cstring>
#include <limits>
#include <optional>
#include <QTextStream>

namespace quorvel::trimming {
namespace {

QString errorText(int errorNumber)
{
    return QString::fromLocal8Bit(std::strerror(errorNumber)) +
           QStringLiteral(" (error %1)").arg(errorNumber);
}

QString shown(const QString &path)
{
    return files::visibleName(path);
}

struct Options
{
    bool dryRun = false;
    bool subfolders = false;
    bool sidecars = false;
    bool help = false;
    QString pictures = QStringLiteral("*.jpg");
    QString raws = QStringLiteral("*.nef");
    QStringList folders;
};

// Parsed by hand: a parser taking text would lose the bytes of a folder
// whose name is not UTF-8.
std::optional<Options> parse(const QList<QByteArray> &arguments, QString &problem)
{
    Options options;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray &argument = arguments[i];
        if (optionsEnded || !argument.startsWith('-') || argument == "-") {
            options.folders.append(files::decodeFileName(argument));
            continue;
        }
        const qsizetype equals = argument.indexOf('=');
        const QByteArray name = equals < 0 ? argument : argument.first(equals);
        const auto value = [&]() -> std::optional<QString> {
            if (equals >= 0)
                return files::decodeFileName(argument.mid(equals + 1));
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return files::decodeFileName(arguments[++i]);
        };
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--dry-run") {
            options.dryRun = true;
        } else if (argument == "--subfolders") {
            options.subfolders = true;
        } else if (argument == "--sidecars") {
            options.sidecars = true;
        } else if (name == "--pictures" || name == "--raw") {
            const std::optional<QString> pattern = value();
            if (!pattern || pattern->isEmpty()) {
                problem = QStringLiteral("%1 needs a pattern").arg(QString::fromLatin1(name));
                return std::nullopt;
            }
            (name == "--raw" ? options.raws : options.pictures) = *pattern;
        } else {
            problem =
                QStringLiteral("unknown option %1").arg(shown(files::decodeFileName(argument)));
            return std::nullopt;
        }
    }
    if (!options.help && (options.folders.isEmpty() || options.folders.size() > 2)) {
        problem = options.folders.isEmpty() ? QStringLiteral("no picture folder given")
                                            : QStringLiteral("more than two folders given");
        return std::nullopt;
    }
    return options;
}

QString skipText(const TreeTrimPlan::Skipped &skip, const QString &picturePattern)
{
    switch (skip.reason) {
    case TreeTrimPlan::SkipReason::NoPictureFolder:
        return QStringLiteral("skipped %1: no picture folder %2")
            .arg(shown(skip.rawFolder), shown(skip.pictureFolder));
    case TreeTrimPlan::SkipReason::NoPictures:
        return QStringLiteral("skipped %1: no pictures (%2) in %3")
            .arg(shown(skip.rawFolder), picturePattern, shown(skip.pictureFolder));
    case TreeTrimPlan::SkipReason::Unreadable:
        return QStringLiteral("skipped %1: %2 can't be read: %3")
            .arg(shown(skip.rawFolder),
                 shown(skip.rawFiles < 0 ? skip.rawFolder : skip.pictureFolder),
                 errorText(skip.errorNumber));
    }
    return {};
}

} // namespace

CommandLineTrim::CommandLineTrim(QTextStream &out, QTextStream &err, RecycleFunction recycle)
    : m_out(out), m_err(err), m_recycle(std::move(recycle))
{
    if (!m_recycle)
        m_recycle = &recycleTarget;
}

QString CommandLineTrim::usage()
{
    return QStringLiteral(
        "Usage: quorvel trim [--dry-run] [--subfolders] [--sidecars] [--pictures '*.jpg']\n"
        "                    [--raw '*.nef'] PICTURE_FOLDER [RAW_FOLDER]\n"
        "\n"
        "Moves to the desktop's trash every RAW file whose base name matches no picture,\n"
        "as \"Trim files\" does in the window, without asking. RAW_FOLDER is\n"
        "PICTURE_FOLDER when not given.\n"
        "\n"
        "  --dry-run     print what would go to the trash and move nothing\n"
        "  --subfolders  trim every folder below too: each RAW folder pairs with the\n"
        "                picture folder at the same place under PICTURE_FOLDER; one\n"
        "                without that folder or without pictures is skipped. Hidden\n"
        "                folders, symbolic links and other volumes are not entered\n"
        "  --sidecars    sidecar files (.xmp, .pp3, .dop) go along with their RAW file\n"
        "  --pictures P  the picture pattern, '*.jpg' unless given\n"
        "  --raw P       the RAW pattern, '*.nef' unless given\n"
        "  --help        print this and exit\n"
        "\n"
        "Patterns are taken as the window's entries: '*.nef (Nikon)' is '*.nef', case is\n"
        "ignored, and a three-letter extension also takes longer ones starting with it\n"
        "('*.tif' lists scan.tiff; '*.tiff' is cut to '*.tif' as in the window).\n"
        "\n"
        "Exit status: 0 when every file went (or none had to), 1 when any could not be\n"
        "moved, 2 for wrong usage or a folder that can't be read.\n");
}

QString CommandLineTrim::patternOf(const QString &argument)
{
    const qsizetype space = argument.indexOf(u' ');
    const QString entry = space < 0 ? argument : argument.first(space);
    const bool plainExtension = entry.startsWith(u"*.") && entry.size() > 5 &&
                                !entry.mid(2).contains(u'*') && !entry.mid(2).contains(u'?');
    return plainExtension ? entry.left(5) : entry;
}

int CommandLineTrim::run(const QList<QByteArray> &arguments, const QByteArray &workingFolder)
{
    QString problem;
    const std::optional<Options> options = parse(arguments, problem);
    if (!options) {
        m_err << "quorvel trim: " << problem << "\n\n" << usage();
        m_err.flush();
        return usageOrFolder;
    }
    if (options->help) {
        m_out << usage();
        m_out.flush();
        return succeeded;
    }

    const auto absolute = [&](const QString &folder) {
        return folder.startsWith(u'/')
                   ? folder
                   : files::joinPath(files::decodeFileName(workingFolder), folder);
    };
    const QString pictureFolder = absolute(options->folders.first());
    const QString rawFolder = absolute(options->folders.last());
    const QString picturePattern = patternOf(options->pictures);
    const QString rawPattern = patternOf(options->raws);

    std::optional<TreeTrimPlan> plan;
    try {
        plan.emplace(pictureFolder, rawFolder, files::WildcardPattern(picturePattern),
                     files::WildcardPattern(rawPattern), options->subfolders, options->sidecars,
                     files::FolderListing::Order::AsRead);
    } catch (const files::FolderError &error) {
        m_err << "quorvel trim: " << shown(error.folder())
              << " can't be read: " << errorText(error.errorNumber()) << "\n";
        m_err.flush();
        return usageOrFolder;
    }

    bool unreadable = false;
    for (const TreeTrimPlan::Skipped &skip : plan->skipped()) {
        unreadable = unreadable || skip.reason == TreeTrimPlan::SkipReason::Unreadable;
        m_err << skipText(skip, picturePattern) << "\n";
    }
    m_err.flush();

    int moved = 0;
    int sidecarsMoved = 0;
    int failed = 0;
    // What goes to standard output is gathered and written at once: a dry
    // run over a card prints 10,000 lines. A real run, slower by far, lets
    // the lines out as they pile up, and before any failure on standard
    // error, so that the two read in order in a terminal.
    QString lines;
    const qsizetype writeAt = options->dryRun ? std::numeric_limits<qsizetype>::max() : 16 * 1024;
    const auto writeLines = [&] {
        m_out << lines;
        m_out.flush();
        lines.clear();
    };
    {
        // Closed with the run, so that a card can be unmounted as soon as it ends.
        platform::TrashSession trash;
        for (const TreeTrimPlan::Pair &pair : plan->pairs()) {
            // The folder as shown once for all its files: a name shows the
            // same alone as at the end of its path.
            const QString shownFolder = shown(files::joinPath(pair.rawFolder, QString()));
            const auto addLine = [&](QStringView what, const QString &name, QStringView note) {
                lines.append(what)
                    .append(shownFolder)
                    .append(shown(name))
                    .append(note)
                    .append(u'\n');
            };
            const auto move = [&](const QString &name, bool sidecar) {
                const QStringView note = sidecar ? u" (sidecar)" : u"";
                if (options->dryRun) {
                    addLine(u"would go: ", name, note);
                    return true;
                }
                platform::TrashedFile where;
                const int result = m_recycle(
                    RecycleTarget::ofPath(files::joinPath(pair.rawFolder, name)), &where, &trash);
                if (result == 0) {
                    addLine(u"trashed: ", name, note);
                    if (lines.size() >= writeAt)
                        writeLines();
                    return true;
                }
                ++failed;
                writeLines();
                m_err << "failed: " << shownFolder << shown(name) << note << ": "
                      << errorText(result) << "\n";
                m_err.flush();
                return false;
            };
            // The plan leaves the RAW names as read: only those that go are
            // put in the order a list shows them, to be printed.
            files::NameList going;
            for (const int index : pair.toTrim)
                going.append(pair.rawNames->bytes(index));
            for (const qsizetype k : files::FolderListing::ascendingOrder(going)) {
                if (!move(going.at(k), false))
                    continue;
                ++moved;
                // Only once their RAW file is gone: a RAW file without its
                // sidecar would lose its edits.
                for (const QString &sidecar : pair.sidecars[size_t(k)])
                    sidecarsMoved += move(sidecar, true) ? 1 : 0;
            }
        }
    }

    const QString sidecarText =
        options->sidecars ? QStringLiteral(", and %1 sidecar file(s) with them").arg(sidecarsMoved)
                          : QString();
    writeLines();
    if (options->dryRun) {
        m_out << moved << " file(s) would go to the trash" << sidecarText << "\n";
    } else {
        m_out << moved << " file(s) moved to the trash" << sidecarText;
        if (failed > 0)
            m_out << "; " << failed << " could not be moved";
        m_out << "\n";
    }
    m_out.flush();
    if (unreadable)
        return usageOrFolder;
    return failed > 0 ? someFailed : succeeded;
}

} // namespace quorvel::trimming
