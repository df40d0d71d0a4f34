#include "trimming/CommandLineTrim.h"

#include "files/CameraFormats.h"
#include "files/FileNames.h"
#include "files/FolderError.h"
#include "files/FolderListing.h"
#include "files/NameList.h"
#include "files/WildcardPattern.h"
#include "platform/Trash.h"
#include "QuorvelVersion.h"
#include "trimming/TreeTrimPlan.h"
#include "trimming/TrimPrinter.h"
#include "trimming/TrimRun.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <QFileDevice>
#include <QIODevice>
#include <unistd.h>

namespace quorvel::trimming {
namespace {

// As printed: no name or argument ever reads as another (see TrimPrinter).
QString shown(QByteArrayView bytes)
{
    return QString::fromUtf8(TrimPrinter::escaped(bytes));
}

QString shownText(const QString &text)
{
    return shown(files::encodeFileName(text));
}

void write(QIODevice &device, const QString &text)
{
    device.write(text.toUtf8());
    if (auto *file = qobject_cast<QFileDevice *>(&device))
        file->flush();
}

struct Options
{
    bool dryRun = false;
    bool subfolders = false;
    bool sidecars = false;
    bool nullEnded = false;
    bool help = false;
    bool version = false;
    QString pictures = QStringLiteral("*.jpg");
    QString raws = QStringLiteral("*.nef");
    QList<QByteArray> folders;
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
            options.folders.append(argument);
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
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--dry-run") {
            options.dryRun = true;
        } else if (argument == "--subfolders") {
            options.subfolders = true;
        } else if (argument == "--sidecars") {
            options.sidecars = true;
        } else if (argument == "--null") {
            options.nullEnded = true;
        } else if (name == "--pictures" || name == "--raw") {
            const std::optional<QString> pattern = value();
            if (!pattern || pattern->isEmpty()) {
                problem = QStringLiteral("%1 needs a pattern").arg(QString::fromLatin1(name));
                return std::nullopt;
            }
            (name == "--raw" ? options.raws : options.pictures) = *pattern;
        } else {
            problem = QStringLiteral("unknown option %1").arg(shown(argument));
            return std::nullopt;
        }
    }
    if (options.help || options.version)
        return options;
    if (options.folders.isEmpty() || options.folders.size() > 2) {
        problem = options.folders.isEmpty() ? QStringLiteral("no picture folder given")
                                            : QStringLiteral("more than two folders given");
        return std::nullopt;
    }
    return options;
}

// A folder's argument as a path from "/", or nothing with why in problem.
// Nothing is read for it: a command that is wrong reads no folder at all.
std::optional<QByteArray> placed(const QByteArray &argument, const QByteArray &workingFolder,
                                 QString &problem)
{
    if (argument.isEmpty()) {
        // An empty argument, from a variable that was not set, would
        // otherwise be the working folder: a folder nobody named.
        problem = QStringLiteral("a folder given is empty");
        return std::nullopt;
    }
    if (argument.startsWith('/'))
        return argument;
    if (!workingFolder.startsWith('/')) {
        // Not "/" in its place: a relative folder would be taken from the
        // top of the file system.
        problem = QStringLiteral("the working folder can't be found (was it deleted?), so %1 "
                                 "can't be found from it: give the folder from /")
                      .arg(shown(argument));
        return std::nullopt;
    }
    QByteArray path = workingFolder;
    if (!path.endsWith('/'))
        path.append('/');
    return path + argument;
}

// The folder the file system finds at path, as realpath(3) gives it: each
// "..", as "ls" takes it, goes up from where a symbolic link before it has
// led, never from the link's own place in the text; a path through a folder
// that isn't there is no folder. The folder must be one that can be read.
// Returns 0 or the error.
int resolve(const QByteArray &path, QByteArray &folder)
{
    char *real = ::realpath(path.constData(), nullptr);
    if (!real)
        return errno;
    folder = QByteArray(real);
    std::free(real);
    const int descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return errno;
    ::close(descriptor);
    return 0;
}

} // namespace

CommandLineTrim::CommandLineTrim(QIODevice &out, QIODevice &err, RecycleFunction recycle)
    : m_out(out), m_err(err), m_recycle(std::move(recycle))
{
    if (!m_recycle)
        m_recycle = &recycleTarget;
}

QString CommandLineTrim::usage()
{
    return QStringLiteral(
        "Usage: quorvel trim [--dry-run] [--subfolders] [--sidecars] [--null]\n"
        "                    [--pictures '*.jpg'] [--raw '*.nef'] PICTURE_FOLDER [RAW_FOLDER]\n"
        "\n"
        "Moves to the desktop's trash every RAW file whose base name matches no picture,\n"
        "as \"Trim files\" does in the window, without asking. RAW_FOLDER is\n"
        "PICTURE_FOLDER when not given.\n"
        "\n"
        "  --dry-run     print what would go to the trash and move nothing\n"
        "  --subfolders  trim every folder below too: each RAW folder pairs with the\n"
        "                picture folder at the same place under PICTURE_FOLDER; one\n"
        "                without that folder, without pictures or that can't be read\n"
        "                is skipped. Hidden folders, symbolic links and other volumes\n"
        "                are not entered\n"
        "  --sidecars    sidecar files (.xmp, .pp3, .dop) go along with their RAW file\n"
        "  --null        print only the paths of the files that go (or would go), as\n"
        "                they are on disk, each ended by a NUL, for xargs -0; the\n"
        "                totals and notes go to standard error\n"
        "  --pictures P  the picture pattern, '*.jpg' unless given\n"
        "  --raw P       the RAW pattern, '*.nef' unless given\n"
        "  --help        print this and exit\n"
        "  --version     print the version and exit\n"
        "\n"
        "A pattern is '*.ext' or a name with wildcards such as 'DSC_*.nef' ('*' any\n"
        "run of characters, '?' any one), perhaps followed by a note as in the window's\n"
        "entries: '*.nef (Nikon)' is '*.nef'. Several are separated by ';': with\n"
        "'*.jpg;*.heic' a picture of either kind keeps its RAW file. Case is ignored,\n"
        "and a three-letter extension also takes longer ones starting with it\n"
        "('*.tif' lists scan.tiff; '*.tiff' is cut to '*.tif' as in the window).\n"
        "Anything else is refused.\n"
        "\n"
        "Folders are found as the file system finds them: x/link/.. is the folder\n"
        "above the one x/link leads to. Names are printed so that no two read alike:\n"
        "a byte that is not UTF-8 as \\xe9, a line break as \\n, other control and\n"
        "invisible characters as their code (\\x1b, \\u202E), a backslash doubled.\n"
        "\n"
        "Exit status: 0 when every file went (or none had to), 1 when any could not be\n"
        "moved, 2 for wrong usage or a folder given that can't be read.\n");
}

QByteArray CommandLineTrim::versionLine()
{
    return QByteArray(version::title) + ' ' + QByteArray::number(version::major) + '.' +
           QByteArray::number(version::minor) + '.' + QByteArray::number(version::revision);
}

std::optional<QByteArray> CommandLineTrim::programInformation(QByteArrayView option)
{
    if (option == "--version")
        return versionLine() + '\n';
    if (option != "--help" && option != "-h")
        return std::nullopt;
    return QByteArrayLiteral(
        "Usage: quorvel\n"
        "       quorvel trim [--dry-run] [--subfolders] [--sidecars] [--null]\n"
        "                    [--pictures '*.jpg'] [--raw '*.nef'] PICTURE_FOLDER [RAW_FOLDER]\n"
        "       quorvel import [--dry-run] [--backup DIR] CARD_FOLDER DESTINATION\n"
        "       quorvel --help | --version\n"
        "\n"
        "Without arguments, opens the window in the folder it is started from: the\n"
        "pictures on one side, the RAW files on the other, and \"Trim files\" moves to\n"
        "the desktop's trash every RAW file whose picture you deleted.\n"
        "\"quorvel trim\" does the same without a window; \"quorvel trim --help\" tells\n"
        "how. \"quorvel import\" copies a card and proves each copy by its checksum;\n"
        "\"quorvel import --help\" tells how. \"man quorvel\" tells the rest.\n");
}

std::optional<QString> CommandLineTrim::patternOf(const QString &argument, QString &problem)
{
    const QString quoted = u'\'' + shownText(argument) + u'\'';
    const auto refuse = [&](const QString &why) {
        problem = QStringLiteral("the pattern %1 is not understood: %2").arg(quoted, why);
        return std::nullopt;
    };
    QStringList patterns;
    for (const QStringView entry : QStringView(argument).split(u';')) {
        // As the window's entries: a pattern, then perhaps a space and a
        // note in parentheses, which is no part of it.
        const qsizetype space = entry.indexOf(u' ');
        const QStringView pattern = space < 0 ? entry : entry.first(space);
        if (pattern.isEmpty())
            return refuse(QStringLiteral("a pattern is empty"));
        if (space >= 0) {
            const QStringView note = entry.sliced(space + 1);
            const QStringView inner = note.size() > 2 ? note.sliced(1, note.size() - 2) : u"";
            const bool isNote = note.startsWith(u'(') && note.endsWith(u')') &&
                                !inner.trimmed().isEmpty() && !inner.contains(u'(') &&
                                !inner.contains(u')');
            if (!isNote)
                return refuse(QStringLiteral("'%1' after '%2': only a note in parentheses may "
                                             "follow a pattern, as in '*.nef (Nikon)'; "
                                             "patterns are separated by ';', as in "
                                             "'*.jpg;*.heic'")
                                  .arg(shownText(note.toString()), shownText(pattern.toString())));
        }
        for (const QChar c : pattern) {
            // Characters of other wildcards, which would be taken as
            // themselves here, and of paths.
            const bool outside = c.isSpace() || c.category() == QChar::Other_Control ||
                                 QStringView(u"/\\[]{}").contains(c);
            if (outside)
                return refuse(QStringLiteral("'%1' in '%2': a pattern is a name, in which only "
                                             "'*' and '?' are wildcards")
                                  .arg(shownText(QString(c)), shownText(pattern.toString())));
        }
        const qsizetype dot = pattern.lastIndexOf(u'.');
        if (dot < 0 || dot + 1 == pattern.size())
            return refuse(QStringLiteral("'%1' has no extension: a pattern is '*.ext' or a "
                                         "name with wildcards such as 'DSC_*.nef'")
                              .arg(shownText(pattern.toString())));
        // An extension goes by the window's rule: "*.tiff" is "*.tif".
        // A name with wildcards such as "DSC_*.nef" is not cut.
        const QStringView extension = pattern.sliced(2);
        const bool plainExtension = pattern.startsWith(u"*.") && extension.size() > 3 &&
                                    !extension.contains(u'*') && !extension.contains(u'?') &&
                                    !pattern[4].isHighSurrogate();
        patterns.append(plainExtension ? files::CameraFormats::patternOf(pattern)
                                       : pattern.toString());
    }
    return patterns.join(u';');
}

int CommandLineTrim::wrongUsage(const QString &problem)
{
    write(m_err, QStringLiteral("quorvel trim: ") + problem + QStringLiteral("\n\n") + usage());
    return usageOrFolder;
}

int CommandLineTrim::run(const QList<QByteArray> &arguments, const QByteArray &workingFolder)
{
    QString problem;
    const std::optional<Options> options = parse(arguments, problem);
    if (!options)
        return wrongUsage(problem);
    if (options->help || options->version) {
        write(m_out, options->help ? usage() : QString::fromUtf8(versionLine() + '\n'));
        return succeeded;
    }
    const std::optional<QString> picturePattern = patternOf(options->pictures, problem);
    if (!picturePattern)
        return wrongUsage(QStringLiteral("--pictures: ") + problem);
    const std::optional<QString> rawPattern = patternOf(options->raws, problem);
    if (!rawPattern)
        return wrongUsage(QStringLiteral("--raw: ") + problem);
    QList<QByteArray> given;
    for (const QByteArray &argument : options->folders) {
        const std::optional<QByteArray> path = placed(argument, workingFolder, problem);
        if (!path)
            return wrongUsage(problem);
        given.append(*path);
    }

    TrimPrinter printer(m_out, m_err,
                        {options->dryRun, options->nullEnded, options->sidecars, *picturePattern});
    // Each folder is checked before the first is read, so that a RAW folder
    // that isn't there is never read as a RAW folder without RAW files.
    QList<QByteArray> folders;
    for (const QByteArray &path : given) {
        QByteArray folder;
        if (const int error = resolve(path, folder)) {
            printer.unreadable(path, error);
            return usageOrFolder;
        }
        folders.append(folder);
    }
    const QString pictureFolder = files::decodeFileName(folders.first());
    const QString rawFolder = files::decodeFileName(folders.last());

    std::optional<TreeTrimPlan> plan;
    try {
        plan.emplace(pictureFolder, rawFolder, files::WildcardPattern(*picturePattern),
                     files::WildcardPattern(*rawPattern), options->subfolders, options->sidecars,
                     files::FolderListing::Order::AsRead);
    } catch (const files::FolderError &error) {
        printer.unreadable(files::encodeFileName(error.folder()), error.errorNumber());
        return usageOrFolder;
    }

    // A folder below that can't be read (a card's lost+found, closed to all
    // but root) is skipped as one without pictures is; only a folder given
    // that can't be read fails the command.
    bool unreadable = false;
    for (const TreeTrimPlan::Skipped &skip : plan->skipped()) {
        unreadable = unreadable || (skip.reason == TreeTrimPlan::SkipReason::Unreadable &&
                                    skip.relativePath.isEmpty());
        printer.skipped(skip);
    }

    for (const TreeTrimPlan::Pair &pair : plan->pairs())
        printer.keptElsewhere(pair);

    // What the run does, as the printer says it.
    struct Printing : TrimRun::Observer
    {
        TrimPrinter &printer;
        bool dryRun;
        Printing(TrimPrinter &to, bool dry) : printer(to), dryRun(dry) {}
        void moved(const TreeTrimPlan::Pair &pair, const QByteArray &name, bool sidecar) override
        {
            const QByteArray folder = files::encodeFileName(pair.rawFolder);
            if (dryRun)
                printer.wouldGo(folder, name, sidecar);
            else
                printer.trashed(folder, name, sidecar);
        }
        void failed(const TreeTrimPlan::Pair &pair, const QByteArray &name, bool sidecar,
                    int error) override
        {
            printer.failed(files::encodeFileName(pair.rawFolder), name, sidecar, error);
        }
        void folderFailed(const TreeTrimPlan::Pair &, const QString &folder, int error) override
        {
            printer.folderFailed(files::encodeFileName(folder), error);
        }
    } printing(printer, options->dryRun);
    TrimRun run(*plan, m_recycle);
    run.setDryRun(options->dryRun);
    run.run(printing);
    const int failed = run.failed();
    printer.picturesBack(run.picturesBack());
    printer.totals(run.moved(), run.sidecarsMoved(), failed);
    if (unreadable)
        return usageOrFolder;
    return failed > 0 ? someFailed : succeeded;
}

} // namespace quorvel::trimming
