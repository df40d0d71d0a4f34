#include "trimming/TrimPrinter.h"

#include "files/FileNames.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <QFileDevice>
#include <QIODevice>

namespace quorvel::trimming {
namespace {

constexpr char16_t escapedByteBase = 0xDC00;

bool plain(char c)
{
    return c >= 0x20 && c < 0x7F && c != '\\';
}

// Characters a terminal shows as nothing, as something else or by moving
// the text: a name holding one would print like a name without it.
bool unseen(char32_t code)
{
    switch (QChar::category(code)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    case QChar::Separator_Space:
        return code != U' ';
    default:
        return false;
    }
}

void appendHex(QByteArray &out, const char *prefix, uint value, int digits, bool upper)
{
    const QByteArray hex = QByteArray::number(value, 16).rightJustified(digits, '0');
    out.append(prefix).append(upper ? hex.toUpper() : hex);
}

void flush(QIODevice &device)
{
    if (auto *file = qobject_cast<QFileDevice *>(&device))
        file->flush();
}

} // namespace

TrimPrinter::TrimPrinter(QIODevice &out, QIODevice &err, Settings settings)
    : m_out(out), m_err(err), m_settings(std::move(settings)),
      m_writeAt(m_settings.dryRun ? std::numeric_limits<qsizetype>::max() : 16 * 1024)
{}

TrimPrinter::~TrimPrinter()
{
    writeGathered();
}

QByteArray TrimPrinter::escaped(QByteArrayView bytes)
{
    QByteArray out;
    appendEscaped(out, bytes);
    return out;
}

void TrimPrinter::appendEscaped(QByteArray &out, QByteArrayView bytes)
{
    if (std::all_of(bytes.begin(), bytes.end(), plain)) {
        out.append(bytes);
        return;
    }
    // Decoded, each byte that is not UTF-8 stands apart as U+DC80..U+DCFF.
    const QString text = files::decodeFileName(bytes);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        const bool pair =
            QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const char32_t code = pair ? QChar::surrogateToUcs4(unit, text[i + 1].unicode()) : unit;
        if (unit >= escapedByteBase + 0x80 && unit <= escapedByteBase + 0xFF) {
            appendHex(out, "\\x", unit - escapedByteBase, 2, false);
        } else if (unit == u'\\') {
            out.append("\\\\");
        } else if (unit == u'\n') {
            out.append("\\n");
        } else if (unit == u'\r') {
            out.append("\\r");
        } else if (unit == u'\t') {
            out.append("\\t");
        } else if (code < 0x80 && !plain(char(code))) {
            appendHex(out, "\\x", code, 2, false);
        } else if (unseen(code)) {
            // "\u0085" for a character, never "\x85", which is a byte.
            if (code > 0xFFFF)
                appendHex(out, "\\U", code, 8, true);
            else
                appendHex(out, "\\u", code, 4, true);
        } else {
            out.append(QStringView(text).sliced(i, pair ? 2 : 1).toUtf8());
        }
        if (pair)
            ++i;
    }
}

QByteArray TrimPrinter::errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error)).toUtf8() + " (error " +
           QByteArray::number(error) + ")";
}

void TrimPrinter::going(QByteArrayView what, QByteArrayView folder, QByteArrayView name,
                        bool sidecar)
{
    const bool separated = folder.endsWith('/');
    if (m_settings.nullEnded) {
        m_gathered.append(folder);
        if (!separated)
            m_gathered.append('/');
        m_gathered.append(name).append('\0');
        return;
    }
    // The folder escaped once for all its files, which come one folder
    // after the other.
    if (m_shownFolder.isEmpty() || folder != m_folder) {
        m_folder = folder.toByteArray();
        m_shownFolder = escaped(folder);
        if (!separated)
            m_shownFolder.append('/');
    }
    m_gathered.append(what).append(m_shownFolder);
    appendEscaped(m_gathered, name);
    if (sidecar)
        m_gathered.append(" (sidecar)");
    m_gathered.append('\n');
}

void TrimPrinter::wouldGo(QByteArrayView folder, QByteArrayView name, bool sidecar)
{
    going("would go: ", folder, name, sidecar);
}

void TrimPrinter::trashed(QByteArrayView folder, QByteArrayView name, bool sidecar)
{
    going("trashed: ", folder, name, sidecar);
    if (m_gathered.size() >= m_writeAt)
        writeGathered();
}

void TrimPrinter::failed(QByteArrayView folder, QByteArrayView name, bool sidecar, int error)
{
    writeGathered();
    QByteArray line = "failed: " + escaped(folder);
    if (!folder.endsWith('/'))
        line.append('/');
    line.append(escaped(name));
    if (sidecar)
        line.append(" (sidecar)");
    writeNote(line + ": " + errorText(error) + "\n");
}

void TrimPrinter::skipped(const TreeTrimPlan::Skipped &skip)
{
    const auto shown = [](const QString &path) { return escaped(files::encodeFileName(path)); };
    QByteArray line = "skipped " + shown(skip.rawFolder) + ": ";
    switch (skip.reason) {
    case TreeTrimPlan::SkipReason::NoPictureFolder:
        line += "no picture folder " + shown(skip.pictureFolder);
        break;
    case TreeTrimPlan::SkipReason::NoPictures:
        line += "no pictures (" + shown(m_settings.picturePattern) + ") in " +
                shown(skip.pictureFolder);
        break;
    case TreeTrimPlan::SkipReason::Unreadable:
        line += shown(skip.rawFiles < 0 ? skip.rawFolder : skip.pictureFolder) +
                " can't be read: " + errorText(skip.errorNumber);
        break;
    case TreeTrimPlan::SkipReason::LinkedPictureFolder:
        line += "picture folder " + shown(skip.pictureFolder) + " is a symbolic link, not followed";
        break;
    }
    writeNote(line + "\n");
}

void TrimPrinter::keptElsewhere(const TreeTrimPlan::Pair &pair)
{
    const QByteArray folder = escaped(files::encodeFileName(pair.rawFolder));
    for (const TreeTrimPlan::Pair::Kept &kept : pair.keptElsewhere) {
        QByteArray line = "kept " + folder + '/';
        appendEscaped(line, pair.rawNames->bytes(kept.rawIndex));
        writeNote(line + ": its picture is in " +
                  escaped(files::encodeFileName(kept.pictureFolder)) + "\n");
    }
}

void TrimPrinter::folderFailed(QByteArrayView folder, int error)
{
    writeGathered();
    writeNote("nothing moved from " + escaped(folder) + ": " +
              (error == ESTALE ? QByteArray("it is no longer the folder that was read")
                               : errorText(error)) +
              "\n");
}

void TrimPrinter::picturesBack(int count)
{
    if (count > 0)
        writeNote(QByteArray::number(count) + " kept: their pictures are back\n");
}

void TrimPrinter::unreadable(QByteArrayView folder, int error)
{
    writeNote("quorvel trim: " + escaped(folder) + " can't be read: " + errorText(error) + "\n");
}

void TrimPrinter::totals(int moved, int sidecarsMoved, int failed)
{
    writeGathered();
    QByteArray line = QByteArray::number(moved);
    line += m_settings.dryRun ? " file(s) would go to the trash" : " file(s) moved to the trash";
    if (m_settings.sidecars)
        line += ", and " + QByteArray::number(sidecarsMoved) + " sidecar file(s) with them";
    if (failed > 0)
        line += "; " + QByteArray::number(failed) + " could not be moved";
    line += '\n';
    if (m_settings.nullEnded) {
        writeNote(line);
        return;
    }
    m_out.write(line);
    flush(m_out);
}

void TrimPrinter::writeGathered()
{
    if (m_gathered.isEmpty())
        return;
    m_out.write(m_gathered);
    flush(m_out);
    m_gathered.clear();
}

void TrimPrinter::writeNote(const QByteArray &line)
{
    m_err.write(line);
    flush(m_err);
}

} // namespace quorvel::trimming
