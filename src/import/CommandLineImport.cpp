#include "import/CommandLineImport.h"

#include "files/FileNames.h"
#include "files/FolderError.h"
#include "import/ImportPlan.h"
#include "import/ImportRun.h"
#include "trimming/CommandLineTrim.h"
#include "trimming/TrimPrinter.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <QFileDevice>
#include <QIODevice>
#include <QLocale>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::import {
namespace {

using trimming::CommandLineTrim;
using trimming::TrimPrinter;

void write(QIODevice &device, const QByteArray &text)
{
    device.write(text);
    if (auto *file = qobject_cast<QFileDevice *>(&device))
        file->flush();
}

QByteArray shown(const QByteArray &bytes)
{
    return TrimPrinter::escaped(bytes);
}

QByteArray size(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat).toUtf8();
}

struct Options
{
    bool dryRun = false;
    bool help = false;
    bool version = false;
    std::optional<QByteArray> backup;
    QList<QByteArray> folders;
};

// Parsed by hand, as trim's: a folder's name need not be UTF-8.
std::optional<Options> parse(const QList<QByteArray> &arguments, QString &problem)
{
    Options options;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray &argument = arguments[i];
        if (optionsEnded || !argument.startsWith('-') || argument == "-") {
            options.folders.append(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--dry-run") {
            options.dryRun = true;
        } else if (argument == "--backup" || argument.startsWith("--backup=")) {
            if (argument == "--backup" && i + 1 >= arguments.size()) {
                problem = QStringLiteral("--backup needs a folder");
                return std::nullopt;
            }
            options.backup = argument == "--backup" ? arguments[++i] : argument.mid(9);
        } else {
            problem = QStringLiteral("unknown option %1").arg(QString::fromUtf8(shown(argument)));
            return std::nullopt;
        }
    }
    if (options.help || options.version)
        return options;
    if (options.folders.size() != 2) {
        problem = options.folders.size() < 2 ? QStringLiteral("a card folder and a destination "
                                                              "are needed")
                                             : QStringLiteral("more than two folders given");
        return std::nullopt;
    }
    return options;
}

// The folder the file system finds for argument, from "/" or from the
// working folder, as realpath(3) gives it; 0 or the error.
// With mayBeMade, a folder that isn't there yet is taken when the folder
// it would be in is there.
int resolve(const QByteArray &argument, const QByteArray &workingFolder, QByteArray &folder,
            bool mayBeMade)
{
    if (argument.isEmpty())
        return ENOENT;
    QByteArray path = argument;
    if (!path.startsWith('/')) {
        // Not "/" in its place: a relative folder would be taken from the
        // top of the file system.
        if (!workingFolder.startsWith('/'))
            return ENOENT;
        path = workingFolder + (workingFolder.endsWith('/') ? "" : "/") + argument;
    }
    char *real = ::realpath(path.constData(), nullptr);
    if (!real && errno == ENOENT && !mayBeMade)
        return ENOENT;
    if (!real && errno == ENOENT) {
        // A destination named after the day, made by the copy: its folder
        // must be there, and it must not be a link that leads nowhere.
        struct stat status
        {
        };
        const qsizetype slash = path.lastIndexOf('/');
        const QByteArray name = path.sliced(slash + 1);
        if (name.isEmpty() || name == "." || name == ".." ||
            ::lstat(path.constData(), &status) == 0)
            return ENOENT;
        QByteArray parent;
        if (const int error = resolve(path.first(std::max<qsizetype>(slash, 1)), {}, parent, false))
            return error;
        folder = parent + (parent.endsWith('/') ? "" : "/") + name;
        return 0;
    }
    if (!real)
        return errno;
    folder = QByteArray(real);
    std::free(real);
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

bool inside(const QByteArray &path, const QByteArray &folder)
{
    return path == folder || path.startsWith(folder.endsWith('/') ? folder : folder + '/');
}

} // namespace

CommandLineImport::CommandLineImport(QIODevice &out, QIODevice &err) : m_out(out), m_err(err) {}

QString CommandLineImport::usage()
{
    return QStringLiteral(
        "Usage: quorvel import [--dry-run] [--backup DIR] CARD_FOLDER DESTINATION\n"
        "\n"
        "Copies every file below CARD_FOLDER to DESTINATION, keeping the card's\n"
        "folders (DCIM/100NIKON/...), and proves each copy: the card is read once,\n"
        "the copy is flushed to the disk and read back from it, and its checksum must\n"
        "be the card's before it takes its name. A file already at DESTINATION with\n"
        "the same size and checksum is skipped; a different file there is kept, and\n"
        "the copy takes a numbered name beside it (\"DSC_0001 (2).NEF\"). Nothing on\n"
        "the card is changed. Hidden folders and symbolic links on the card are not\n"
        "followed. When a destination has not enough free space, nothing is copied.\n"
        "DESTINATION and DIR are made when the folder they are in is there.\n"
        "\n"
        "  --dry-run     print what would be copied, and copy nothing\n"
        "  --backup DIR  copy to DIR too, from the same reading of the card\n"
        "  --help        print this and exit\n"
        "  --version     print the version and exit\n"
        "\n"
        "A card with two slots is brought in with one import a slot, to the same\n"
        "DESTINATION: a file the first slot brought is skipped for the second.\n"
        "Each file that failed or took a numbered name is one line, then the total.\n"
        "Names are printed as \"quorvel trim\" prints them.\n"
        "\n"
        "Exit status: 0 when every file is copied and verified (or already there), 1\n"
        "when any failed or there is not enough space, 2 for wrong usage or a folder\n"
        "given that can't be read.\n");
}

int CommandLineImport::wrongUsage(const QString &problem)
{
    write(m_err, "quorvel import: " + problem.toUtf8() + "\n\n" + usage().toUtf8());
    return CommandLineTrim::usageOrFolder;
}

int CommandLineImport::run(const QList<QByteArray> &arguments, const QByteArray &workingFolder)
{
    QString problem;
    const std::optional<Options> options = parse(arguments, problem);
    if (!options)
        return wrongUsage(problem);
    if (options->help || options->version) {
        write(m_out, options->help ? usage().toUtf8() : CommandLineTrim::versionLine() + '\n');
        return CommandLineTrim::succeeded;
    }

    QList<QByteArray> given = options->folders;
    if (options->backup)
        given.append(*options->backup);
    QList<QByteArray> folders;
    for (const QByteArray &argument : given) {
        QByteArray folder;
        const bool destination = !folders.isEmpty();
        if (const int error = resolve(argument, workingFolder, folder, destination)) {
            write(m_err, "quorvel import: " + shown(argument) +
                             " can't be read: " + TrimPrinter::errorText(error) + "\n");
            return CommandLineTrim::usageOrFolder;
        }
        folders.append(folder);
    }
    const QByteArray card = folders.takeFirst();
    for (const QByteArray &destination : std::as_const(folders)) {
        // A copy inside the card would be walked as part of it, and one
        // holding the card would copy it into itself.
        if (inside(destination, card) || inside(card, destination))
            return wrongUsage(
                QStringLiteral("the destination %1 and the card folder %2 lie "
                               "one within the other")
                    .arg(QString::fromUtf8(shown(destination)), QString::fromUtf8(shown(card))));
    }
    if (folders.size() == 2 && folders[0] == folders[1])
        return wrongUsage(QStringLiteral("the backup is the destination itself"));

    std::optional<ImportPlan> plan;
    try {
        plan.emplace(QList<QByteArray>{card}, folders);
    } catch (const files::FolderError &error) {
        write(m_err, "quorvel import: " + shown(files::encodeFileName(error.folder())) +
                         " can't be read: " + TrimPrinter::errorText(error.errorNumber()) + "\n");
        return CommandLineTrim::usageOrFolder;
    }

    if (options->dryRun) {
        QByteArray text = "would copy " + QByteArray::number(plan->fileCount()) + " files, " +
                          size(plan->bytes()) + ", in " + QByteArray::number(plan->folderCount()) +
                          " folders (" + QByteArray::number(plan->alreadyThere()) +
                          " already there)\n";
        for (const ImportPlan::Destination &destination : plan->destinations()) {
            text +=
                shown(destination.path) + ": " + size(destination.bytesNeeded) + " needed, " +
                (destination.freeBytes < 0 ? QByteArray("unknown") : size(destination.freeBytes)) +
                " free" + (destination.enoughSpace ? "" : ": not enough space") + "\n";
        }
        write(m_out, text);
        for (const ImportPlan::Unreadable &folder : plan->unreadable())
            write(m_err, "can't be read: " + shown(folder.relativePath) + ": " +
                             TrimPrinter::errorText(folder.errorNumber) + "\n");
        return plan->enoughSpace() && plan->unreadable().empty() ? CommandLineTrim::succeeded
                                                                 : CommandLineTrim::someFailed;
    }

    struct Printing : ImportRun::Observer
    {
        QIODevice &out;
        QIODevice &err;
        Printing(QIODevice &o, QIODevice &e) : out(o), err(e) {}
        void problem(const ImportRun::Problem &problem) override
        {
            if (problem.failed) {
                write(err, "failed: " + shown(problem.relativePath) + ": " + problem.why.toUtf8() +
                               "\n");
                return;
            }
            const qsizetype slash = problem.relativePath.lastIndexOf('/');
            const QByteArray folder =
                problem.destination + '/' +
                (slash < 0 ? QByteArray() : problem.relativePath.first(slash + 1));
            write(out, "renamed: " + shown(problem.relativePath) + " -> " +
                           shown(folder + problem.newName) + "\n");
        }
    } printing(m_out, m_err);
    ImportRun run(*plan);
    if (!run.run(printing)) {
        write(m_err, "quorvel import: " + run.summary().toUtf8() + "\n");
        return CommandLineTrim::someFailed;
    }
    // The total: the summary's first line; the failures were printed as met.
    const QString summary = run.summary();
    write(m_out, summary.section(u'\n', 0, 0).toUtf8() + "\n");
    return run.failed() > 0 ? CommandLineTrim::someFailed : CommandLineTrim::succeeded;
}

} // namespace quorvel::import
