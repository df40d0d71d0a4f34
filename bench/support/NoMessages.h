#pragma once

#include "platform/MessageBox.h"

namespace quorvel::bench {

// The message box of a benchmark that deletes nothing: nothing is ever asked,
// and should anything be, No is the answer that leaves every file alone.
class NoMessages final : public platform::MessageBox
{
public:
    int show(const QString &, int, const QString &) override { return platform::IDNO; }
};

} // namespace quorvel::bench
