#pragma once

#include "files/NameList.h"

#include <memory>
#include <QString>

namespace quorvel::culling {

// The list a culling session browses, as the viewer sees it: a folder's
// names and the entry the user is on. The viewer moves the list's selection
// along with its keys, so that closing leaves the user on the last picture
// seen, and takes out the names it has rejected. Whoever shows the list
// implements it; the viewer knows no widget of another window.
class BrowsedList
{
public:
    virtual ~BrowsedList() = default;

    // The folder the names were read from.
    virtual QString folder() const = 0;
    // The folder of the RAW files that go with the pictures, where a
    // picture's focus point is looked for when the picture records none;
    // empty for none.
    virtual QString rawFolder() const = 0;
    // The names as listed now, shared rather than copied.
    virtual std::shared_ptr<const files::NameList> names() const = 0;
    // The entry the user is on, -1 for none.
    virtual int currentIndex() const = 0;
    // Moves the selection to index (-1 for none) without the list's own
    // reaction to a click: its window shows nothing while the viewer is open.
    virtual void followIndex(int index) = 0;
    // Takes the entry out: the one at index when it is still called name,
    // else wherever name is now listed.
    virtual void takeOut(int index, const QString &name) = 0;
};

} // namespace quorvel::culling
