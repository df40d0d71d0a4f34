#pragma once

#include <QDate>
#include <QString>

class QSettings;

namespace quorvel::import {

class ImportPlan;

// The destinations the import window offers, kept from one import to the
// next: the main one, and the backup (none until the user gives one).
//
// A photographer files each evening's card in a folder of its own named
// after the day it was shot, so the destination offered is such a folder:
// under the user's Pictures folder at first, and afterwards under the folder
// the last dated destination was in. A destination the user named otherwise
// is offered as it is: that user collects every card in one place.
class ImportChoices
{
public:
    static ImportChoices load(const QSettings &settings);
    void save(QSettings &settings) const;

    // The destination to offer for a card shot on shootingDay (no date: the
    // card holds no file), with picturesFolder the user's Pictures folder.
    QString destinationFor(const QString &picturesFolder, QDate shootingDay) const;

    // The day the card was shot: that of its earliest file, in local time.
    static QDate shootingDayOf(const ImportPlan &plan);
    // "2026-12-07": whether name is one of the dated folders offered.
    static bool isDayFolder(const QString &name);

    QString destination; // the last one used; empty at first
    QString backup;      // empty: no backup
};

} // namespace quorvel::import
