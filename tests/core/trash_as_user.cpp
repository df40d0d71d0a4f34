// Trashes the files named on the command line and prints each result number on
// a line of its own. The trash tests run it as an unprivileged user, because
// root passes every permission check they need to see fail, and in a working
// folder of its own for paths relative to it.

#include "files/FileNames.h"
#include "platform/MessageBox.h"
#include "trimming/RecycleFile.h"

#include <cstdio>
#include <cstring>

namespace {

// Nothing may be asked: the file is moved without confirmation.
class NoQuestions final : public quorvel::platform::MessageBox
{
public:
    int show(const QString &, int, const QString &) override
    {
        std::fputs("unexpected message\n", stderr);
        return quorvel::platform::IDNO;
    }
};

} // namespace

int main(int argc, char **argv)
{
    NoQuestions messages;
    for (int i = 1; i < argc; ++i) {
        const QString path =
            quorvel::files::decodeFileName(QByteArrayView(argv[i], std::strlen(argv[i])));
        std::printf("%d\n", quorvel::trimming::RecycleFile(path, false, messages));
    }
    return 0;
}
