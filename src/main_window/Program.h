#pragma once

class QApplication;

namespace quorvel {

// The program from start to end: the single-instance check, the main window,
// the event loop. The executable's main() does nothing else.
class Program
{
public:
    static int run(QApplication &application);
};

} // namespace quorvel
